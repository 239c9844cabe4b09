// Server, packet and item-type names of the edge-ink plug-in.
#pragma once

inline constexpr const char* kEdgeInkMaterialName = "edgeInk";
inline constexpr const char* kEdgeInkPacketName = "edge.ink.packet";
inline constexpr const char* kEdgeInkEffectName = "edgeInk.PFX";
inline constexpr const char* kEdgeInkItemType = "material.edgeInk";
