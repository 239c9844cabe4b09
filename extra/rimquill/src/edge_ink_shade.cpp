#include "edge_ink_shade.h"

#include "edge_search.h"
#include "ink_output.h"

namespace edgeink {

void ShadeEdgeInk(const EdgeInkParams& p, const EdgeInkSample& s, const EdgeInkHost& h,
                  const st_KVpShadeComponents* sc, float* out)
{
    // Without the sample's ray there is neither a gate nor a direction to trace.
    if (!s.ray || !out) return;
    const float e = EdgeAmount(p, s, h);
    if (p.seeThrough > 0.0f && h.canCast()) SeeThrough(p, s, h, out);
    InkOver(p, e, s.parms, sc, out);
}

}  // namespace edgeink
