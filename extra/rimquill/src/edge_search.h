// The edge amount of one sample: incidence, curvature and the ring of
// sub-sample surface records around the sample, with the optional reflection
// and transmission probes. Reads only its arguments; allocates nothing.
#pragma once

#include "edge_ink_host.h"
#include "edge_ink_params.h"
#include "edge_ink_sample.h"

namespace edgeink {

// The most sub-samples one evaluation examines, whatever the width.
inline constexpr int kMaxSubSamples = 65536;

// Whether the edge search runs for a ray with these flags.
bool EdgeGateOpen(const EdgeInkParams& p, uint32_t rayFlags);

// Number of sub-samples for the width and quality (edgeWidth^2 * quality).
int SubSampleCount(const EdgeInkParams& p);

// The edge amount e >= 0 (it may exceed 1); 0 when the gate is closed.
float EdgeAmount(const EdgeInkParams& p, const EdgeInkSample& s, const EdgeInkHost& h);

}  // namespace edgeink
