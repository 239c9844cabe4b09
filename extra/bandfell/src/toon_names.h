// Names of the toon plug-in's servers, item type and packet.
#pragma once

inline constexpr const char* kToonItemType = "material.toon";
inline constexpr const char* kToonMaterialServer = "toon";
inline constexpr const char* kToonPacketName = "toon.shader.packet";
inline constexpr const char* kToonPFXServer = "ToonMaterial";
