#include "shader/popup_lists.h"

namespace kv::shader {

const st_KVtTextValueHint hint_NPRColorMode[] = {
    {kColorInk, "ink"}, {kColorCrayon, "crayon"}, {kColorScratch, "scratch"}, {-1, "=npr-colormode"}, {-1, nullptr}};

const st_KVtTextValueHint hint_NPRScreenCoordsMode[] = {
    {kScreenProjection, "projection"}, {kScreenSurfaceFlow, "surfaceFlow"}, {-1, "=npr-screenmode"}, {-1, nullptr}};

}  // namespace kv::shader
