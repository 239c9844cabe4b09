// X-toon tone shading: the tone from the host's diffuse light, the detail
// measure, the lookup in the tone image or the top/bottom gradients, the
// gradient-shaped specular and reflection, and the blend with the host's own
// shading. Pure: it reads only its arguments and the tables it is given, so it
// can be driven without a host.
#pragma once

#include <cstdint>

#include <kv/kv_records.h>

#include "xtoon_packet.h"

namespace XToon_Shader {

// The eight gradient filters of the material, in member order.
enum XToonFilter : uint32_t {
    kTopRed, kTopGreen, kTopBlue,
    kBottomRed, kBottomGreen, kBottomBlue,
    kSpecularGrad, kReflectionGrad,
    kFilterCount
};

// What the shading looks up besides the sample: gradients and the tone image.
// Implementations are called per sample and must not lock or allocate.
class XToonToneTables {
public:
    // The filter's value at the input; 0 when the filter is unbound.
    virtual double Gradient(XToonFilter filter, double input) const = 0;
    // False when no tone image is bound; otherwise its size in pixels.
    virtual bool ToneImageSize(uint32_t& width, uint32_t& height) const = 0;
    // Red, green, blue, alpha of a pixel inside the image.
    virtual void TonePixel(uint32_t x, uint32_t y, float rgba[4]) const = 0;

protected:
    ~XToonToneTables() = default;
};

// The host records of one sample; any may be null when the vector lacks it.
struct XToonSampleRecords {
    const st_KVpSampleParms* parms = nullptr;
    const st_KVpSampleRay* ray = nullptr;
    const st_KVpSurfaceNormal* normal = nullptr;
};

// Upper end of the tone and detail ranges.
constexpr float kUnitBelowOne = 0.999999f;

// Clamps to [0, kUnitBelowOne]; NaN gives 0.
float ClampTone(float x);

// Contrast slope m(k) = g + g^2/2 + 5g^4/24 with g = (k + 1) * pi/4.
float ContrastSlope(float contrast);

// The tone T of the sample, before flips (shading steps 1 to 4).
float ToneFromLight(const XToonPacketData& p, const st_KVpSampleParms& parms, const st_KVpShadeComponents& sc);

// The detail measure D of the packet's detail mode, clamped.
float DetailMeasure(const XToonPacketData& p, const XToonSampleRecords& rec, const st_KVpShadeComponents& sc);

// Shades one sample: writes the packet's detail word (the flipped tone),
// entry 0 of sc (diffuse colour times diffuse amount, when "sample.parms" is
// present) and the output colour.
void ShadeXToon(XToonPacketData& p, const XToonSampleRecords& rec, const XToonToneTables& tables,
                st_KVpShadeComponents& sc, st_KVpShadeOutput& out);

}  // namespace XToon_Shader
