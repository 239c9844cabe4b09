// Popup lists shared by several shaders' integer channels.
#pragma once

#include <kv/kv_types.h>

namespace kv::shader {

// 0 "ink", 1 "crayon", 2 "scratch", list "=npr-colormode".
extern const st_KVtTextValueHint hint_NPRColorMode[];
// 0 "projection", 1 "surfaceFlow", list "=npr-screenmode".
extern const st_KVtTextValueHint hint_NPRScreenCoordsMode[];

// Values of hint_NPRColorMode.
enum NPRColorMode : int { kColorInk = 0, kColorCrayon = 1, kColorScratch = 2 };
// Values of hint_NPRScreenCoordsMode.
enum NPRScreenMode : int { kScreenProjection = 0, kScreenSurfaceFlow = 1 };

}  // namespace kv::shader
