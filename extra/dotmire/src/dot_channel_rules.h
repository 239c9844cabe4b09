// Channel user-interface rules of the stipple and dab materials: the pattern
// coordinate channels depend on "screenCoords" and "screenMode" (the shared
// screen-coordinate rules); the dab's colour channels on "useColor".
#pragma once

#include <array>

#include "shader/channel_table.h"

namespace Stipple_Shader {

// The dab's rules: its two colour rules, then the screen-coordinate rules
// that the stipple material uses alone.
extern const std::array<kv::shader::SwitchRule, 12> kDabSwitches;
extern const std::array<kv::shader::DependencyRule, 8> kDabDependencies;

// Channels that get UIHints slot 19 with 4 (both materials).
extern const kv::shader::ChannelMatch kPatternHints[7];

}  // namespace Stipple_Shader
