// The colour steps of the edge-ink shading: the blend towards what lies behind
// the surface, and the ink blend by the edge amount. Both work on the output
// colour the host has already put in the shade output.
#pragma once

#include "edge_ink_host.h"
#include "edge_ink_params.h"
#include "edge_ink_sample.h"

namespace edgeink {

// Blends out towards the colour seen along the sample's ray behind this
// surface (black when the host makes no vector for it) by seeThrough.
void SeeThrough(const EdgeInkParams& p, const EdgeInkSample& s, const EdgeInkHost& h, float* out);

// Blends out towards the ink of the colour mode by the edge amount e.
void InkOver(const EdgeInkParams& p, float e, const st_KVpSampleParms* parms, const st_KVpShadeComponents* sc,
             float* out);

}  // namespace edgeink
