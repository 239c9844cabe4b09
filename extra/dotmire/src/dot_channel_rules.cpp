#include "dot_channel_rules.h"

#include "shader/pattern_channels.h"

namespace Stipple_Shader {
namespace {

using namespace kv::shader;

constexpr const char* kNeedsColour = "This only applies when Use Color is on.";
constexpr const char* kOnUseColor[] = {"useColor", "useColor"};

constexpr std::array<SwitchRule, 2> kColourSwitches = {{
    {{"patColor", true}, "useColor", SwitchIsOn, kNeedsColour},
    {{"patAlpha"}, "useColor", SwitchIsOn, kNeedsColour},
}};
// patAlpha is disabled by useColor but names no dependency.
constexpr std::array<DependencyRule, 2> kColourDependencies = {{
    {{"patColor", true}, kOnUseColor},
    {{"patAlpha"}, {}},
}};

}  // namespace

constinit const std::array<SwitchRule, 12> kDabSwitches = JoinRules(kColourSwitches, kScreenCoordSwitches);
constinit const std::array<DependencyRule, 8> kDabDependencies = JoinRules(kColourDependencies, kScreenCoordDependencies);

const ChannelMatch kPatternHints[7] = {{"patColor.R"}, {"patColor.G"}, {"patColor.B"}, {"pointNum"},
                                       {"tileNum"},    {"tileAngle"},  {"pointRadius"}};

}  // namespace Stipple_Shader
