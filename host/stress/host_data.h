// Random host data for one sample: the host sample packets (some left out),
// the shading components, the preset output colour, and ray-cast answers.
#pragma once

#include "core/ray_object.h"
#include "core/sample_vector.h"
#include "stress/fuzz_values.h"

namespace kvs {

// Starts a sample in `pool` and fills every host packet of its primary
// vector; with `dropPackets`, each host packet is left out now and then.
kvh::SampleVector& BeginRandomSample(kvh::VectorPool& pool, ValueSource& src, bool dropPackets);

// Fills the host packets that a traced ray describes (nested vectors).
void FillHitPackets(kvh::SampleVector& v, ValueSource& src);

void FillShading(ValueSource& src, st_KVpShadeComponents& sc, st_KVpShadeOutput& out);

// Ray-cast answers. With a source (one thread), answers come from it and
// count in its taint; without one, each answer is derived from the asking
// sample alone, tame, so that many threads may share one object.
class RandomRays final : public kvh::RayHooks {
public:
    explicit RandomRays(ValueSource* src = nullptr) : src_(src) {}
    void SetSource(ValueSource* src) { src_ = src; }
    float Trace(kvh::SampleVector& into, const double* origin, const float* dir, uint32_t flags) override;
    KvResult SurfaceAt(kvh::SampleVector& v, float dx, float dy, st_KVpSurfaceRecord& rec) override;
    KvResult NormalAt(kvh::SampleVector& v, float dx, float dy, float* normal3) override;

private:
    template <class Fn>
    auto WithSource(const kvh::SampleVector& v, float salt, Fn fn);
    ValueSource* src_;
};

}  // namespace kvs
