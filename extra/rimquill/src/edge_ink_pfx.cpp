#include "edge_ink_pfx.h"

#include <shader/register_shader.h>

#include "edge_ink_names.h"

namespace {

using kv::shader::ColorValue;
using kv::shader::ScalarValue;

// Value names and their float fields of the packet.
const kv::shader::EffectValue kEffects[] = {
    ScalarValue("edgeInkWidth", "float", 0),
    ColorValue("edgeInkColor", 2),
    ScalarValue("edgeInkAlpha", "percent", 5),
    ScalarValue("edgeInkBkg", "percent", 6),
    ScalarValue("edgeInkOffset", "float", 1),
    ScalarValue("edgeInkSoftness", "float", 7),
    ColorValue("edgeInkColor2", 8),
    ScalarValue("edgeInkAlpha2", "percent", 11),
    ScalarValue("edgeInkCurvature", "percent", 27),
};

}  // namespace

EdgeInkPFX::EdgeInkPFX() : CKvShaderPFX(kEdgeInkPacketName, kEffects) {}

KV_SHADER_EFFECT_TAGS(EdgeInkPFX, "Edge Ink Packet FX");
