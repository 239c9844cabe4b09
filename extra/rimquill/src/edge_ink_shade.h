// One edge-ink evaluation on the sample's packets and the host's interfaces:
// edge amount, see-through blend, ink blend. Writes only out (three floats).
#pragma once

#include "edge_ink_host.h"
#include "edge_ink_params.h"
#include "edge_ink_sample.h"

namespace edgeink {

void ShadeEdgeInk(const EdgeInkParams& p, const EdgeInkSample& s, const EdgeInkHost& h,
                  const st_KVpShadeComponents* sc, float* out);

}  // namespace edgeink
