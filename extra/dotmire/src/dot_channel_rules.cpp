#include "dot_channel_rules.h"

namespace Stipple_Shader {
namespace {

using namespace kv::shader;

constexpr const char* kNeedsColour = "This only applies when Use Color is on.";
constexpr const char* kNeedsScreen = "This only applies when Screen Coordinates are used.";
constexpr const char* kNeedsFlow = "This only applies when Surface Flow is on.";

bool IsSurfaceFlow(int32_t mode) { return mode == 1; }

const char* const kOnUseColor[] = {"useColor", "useColor"};
const char* const kOnScreenCoords[] = {"screenCoords"};
const char* const kOnScreenMode[] = {"screenMode", "screenCoords"};

}  // namespace

const SwitchRule kDabSwitches[12] = {
    {{"patColor", true}, "useColor", SwitchIsOn, kNeedsColour},
    {{"patAlpha"}, "useColor", SwitchIsOn, kNeedsColour},
    {{"zScale"}, "screenCoords", SwitchIsOn, kNeedsScreen},
    {{"screenMode"}, "screenCoords", SwitchIsOn, kNeedsScreen},
    {{"sfForeshort"}, "screenCoords", SwitchIsOn, kNeedsScreen},
    {{"sfReflection"}, "screenCoords", SwitchIsOn, kNeedsScreen},
    {{"zMin"}, "screenCoords", SwitchIsOn, kNeedsScreen},
    {{"zMax"}, "screenCoords", SwitchIsOn, kNeedsScreen},
    {{"sfForeshort"}, "screenMode", IsSurfaceFlow, kNeedsFlow},
    {{"sfReflection"}, "screenMode", IsSurfaceFlow, kNeedsFlow},
    {{"zMin"}, "screenMode", IsSurfaceFlow, kNeedsFlow},
    {{"zMax"}, "screenMode", IsSurfaceFlow, kNeedsFlow},
};

// patAlpha is disabled by useColor but names no dependency.
const DependencyRule kDabDependencies[8] = {
    {{"patColor", true}, kOnUseColor},  {{"patAlpha"}, {}},
    {{"zScale"}, kOnScreenCoords},      {{"screenMode"}, kOnScreenCoords},
    {{"sfForeshort"}, kOnScreenMode},   {{"sfReflection"}, kOnScreenMode},
    {{"zMin"}, kOnScreenMode},          {{"zMax"}, kOnScreenMode},
};

const ChannelMatch kPatternHints[7] = {{"patColor.R"}, {"patColor.G"}, {"patColor.B"}, {"pointNum"},
                                       {"tileNum"},    {"tileAngle"},  {"pointRadius"}};

}  // namespace Stipple_Shader
