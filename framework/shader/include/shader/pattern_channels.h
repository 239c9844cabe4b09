// The channels every pattern material declares alike (the pattern-coordinate
// channels, the pattern colour, the colour mode and the shading and mixing
// amounts) and the user-interface rules of the coordinate channels: zScale
// and screenMode apply only while "screenCoords" is on; the surface-flow
// channels (sfForeshort, sfReflection, zMin, zMax) also need "screenMode" on
// surface flow.
#pragma once

#include <array>
#include <cstddef>

#include "shader/channel_table.h"
#include "shader/popup_lists.h"

namespace kv::shader {

// Set-up rows (name, type, default, hints); each material places them in
// its own set-up order.
inline constexpr ChannelSetup kScreenCoordsChannel = {"screenCoords", "boolean", 0.0, 1};
inline constexpr ChannelSetup kScreenModeChannel = {"screenMode", "integer", 0.0, 0, {}, hint_NPRScreenCoordsMode};
inline constexpr ChannelSetup kZScaleChannel = {"zScale", "percent", 0.02, 0};
inline constexpr ChannelSetup kSfReflectionChannel = {"sfReflection", "float", 0.0, 0};
inline constexpr ChannelSetup kSfForeshortChannel = {"sfForeshort", "float", 0.0, 0};
inline constexpr ChannelSetup kZMinChannel = {"zMin", "distance", 0.0, 0};
inline constexpr ChannelSetup kZMaxChannel = {"zMax", "distance", 10.0, 0};
inline constexpr ChannelSetup kPatColorChannel = {"patColor", "color1", 0.0, 0, {0.0, 0.0, 0.0}};
inline constexpr ChannelSetup kColorModeChannel = {"colorMode", "integer", 0.0, 0, {}, hint_NPRColorMode};
inline constexpr ChannelSetup kPatAlphaChannel = {"patAlpha", "percent", 1.0, 0};
inline constexpr ChannelSetup kSeeThroughChannel = {"seeThrough", "percent", 0.0, 0};
inline constexpr ChannelSetup kBrightnessChannel = {"brightness", "percent", 0.0, 0};
inline constexpr ChannelSetup kContrastChannel = {"contrast", "percent", 0.0, 0};
inline constexpr ChannelSetup kShadowsChannel = {"shadows", "percent", 0.0, 0};
inline constexpr ChannelSetup kReplaceShadingChannel = {"replaceShading", "percent", 0.0, 0};
inline constexpr ChannelSetup kReplaceSpecularChannel = {"replaceSpecular", "percent", 0.0, 0};
inline constexpr ChannelSetup kShadingLevelChannel = {"shadingLevel", "percent", 1.0, 0};
inline constexpr ChannelSetup kSpecularLevelChannel = {"specularLevel", "percent", 1.0, 0};
inline constexpr ChannelSetup kUvOffsetChannel = {"uvOffset", "percent", 0.0, 0};
inline constexpr ChannelSetup kReflectionChannel = {"reflection", "percent", 0.0, 0};

inline bool ScreenModeIsSurfaceFlow(int32_t mode) { return mode == kScreenSurfaceFlow; }

inline constexpr const char* kNeedsScreenCoords = "This only applies when Screen Coordinates are used.";
inline constexpr const char* kNeedsSurfaceFlow = "This only applies when Surface Flow is on.";

// The screen-coordinate switch rules, in the order they are tried.
inline constexpr std::array<SwitchRule, 10> kScreenCoordSwitches = {{
    {{"zScale"}, "screenCoords", SwitchIsOn, kNeedsScreenCoords},
    {{"screenMode"}, "screenCoords", SwitchIsOn, kNeedsScreenCoords},
    {{"sfForeshort"}, "screenCoords", SwitchIsOn, kNeedsScreenCoords},
    {{"sfReflection"}, "screenCoords", SwitchIsOn, kNeedsScreenCoords},
    {{"zMin"}, "screenCoords", SwitchIsOn, kNeedsScreenCoords},
    {{"zMax"}, "screenCoords", SwitchIsOn, kNeedsScreenCoords},
    {{"sfForeshort"}, "screenMode", ScreenModeIsSurfaceFlow, kNeedsSurfaceFlow},
    {{"sfReflection"}, "screenMode", ScreenModeIsSurfaceFlow, kNeedsSurfaceFlow},
    {{"zMin"}, "screenMode", ScreenModeIsSurfaceFlow, kNeedsSurfaceFlow},
    {{"zMax"}, "screenMode", ScreenModeIsSurfaceFlow, kNeedsSurfaceFlow},
}};

inline constexpr const char* kOnScreenCoords[] = {"screenCoords"};
// The surface-flow channels name the screen mode first.
inline constexpr const char* kOnScreenMode[] = {"screenMode", "screenCoords"};

// The screen-coordinate dependencies: zScale and screenMode first, then the
// four surface-flow channels (a material that lets zScale and screenMode take
// theirs from the switch rules uses only the last four).
inline constexpr std::array<DependencyRule, 6> kScreenCoordDependencies = {{
    {{"zScale"}, kOnScreenCoords},
    {{"screenMode"}, kOnScreenCoords},
    {{"sfForeshort"}, kOnScreenMode},
    {{"sfReflection"}, kOnScreenMode},
    {{"zMin"}, kOnScreenMode},
    {{"zMax"}, kOnScreenMode},
}};
inline constexpr size_t kScreenCoordOnlyRuleCount = 2;  // zScale, screenMode

// A material's own rules followed by shared ones, as one table.
template <typename Rule, size_t N, size_t M>
constexpr std::array<Rule, N + M> JoinRules(const std::array<Rule, N>& own, const std::array<Rule, M>& shared) {
    std::array<Rule, N + M> all{};
    for (size_t i = 0; i < N; ++i) all[i] = own[i];
    for (size_t i = 0; i < M; ++i) all[N + i] = shared[i];
    return all;
}

}  // namespace kv::shader
