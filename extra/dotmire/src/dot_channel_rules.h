// Channel user-interface rules of the stipple and dab materials: the pattern
// coordinate channels depend on "screenCoords" and "screenMode"; the dab's
// colour channels on "useColor".
#pragma once

#include <span>

#include "shader/channel_table.h"

namespace Stipple_Shader {

// The dab's rules: its two colour rules, then the six screen rules that the
// stipple material shares.
extern const kv::shader::SwitchRule kDabSwitches[12];
extern const kv::shader::DependencyRule kDabDependencies[8];
inline constexpr unsigned kColourRuleCount = 2;

// Channels that get UIHints slot 19 with 4 (both materials).
extern const kv::shader::ChannelMatch kPatternHints[7];

}  // namespace Stipple_Shader
