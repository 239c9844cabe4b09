// The "edge.ink.packet" layout: 28 slots of 32 bits. The per-evaluation block
// has exactly this layout, so the block can stand in for the packet.
#pragma once

#include <cstddef>
#include <cstdint>

struct EdgeInkParams {
    float edgeWidth;           // 0
    float edgeOffset;          // 1
    float edgeColor[3];        // 2-4
    float edgeAlpha;           // 5
    float seeThrough;          // 6
    float edgeSoftness;        // 7
    float edgeColor2[3];       // 8-10
    float edgeAlpha2;          // 11
    float incidenceEdges;      // 12
    float angleEdges;          // 13
    float minAngle;            // 14
    float maxAngle;            // 15
    float distanceEdges;       // 16
    float distThreshold;       // 17
    float reserved18;          // 18: neither written nor read
    float reserved19;          // 19: written as 0 at read time
    float reserved20;          // 20: written as 0 at read time
    float surfaceEdges;        // 21
    float segmentEdges;        // 22
    int32_t edgeQuality;       // 23
    int32_t colorMode;         // 24: 0 ink, 1 crayon, 2 scratch
    int32_t traceReflection;   // 25: 0 or 1
    int32_t traceTransparency; // 26: 0 or 1
    float curvature;           // 27
};

#define EDGEINK_SLOT(field, n) \
    static_assert(offsetof(EdgeInkParams, field) == (n) * 4, "EdgeInkParams::" #field " must be slot " #n)
EDGEINK_SLOT(edgeOffset, 1);
EDGEINK_SLOT(edgeColor, 2);
EDGEINK_SLOT(edgeAlpha, 5);
EDGEINK_SLOT(edgeColor2, 8);
EDGEINK_SLOT(edgeAlpha2, 11);
EDGEINK_SLOT(incidenceEdges, 12);
EDGEINK_SLOT(distanceEdges, 16);
EDGEINK_SLOT(distThreshold, 17);
EDGEINK_SLOT(surfaceEdges, 21);
EDGEINK_SLOT(edgeQuality, 23);
EDGEINK_SLOT(colorMode, 24);
EDGEINK_SLOT(traceTransparency, 26);
EDGEINK_SLOT(curvature, 27);
#undef EDGEINK_SLOT
static_assert(sizeof(EdgeInkParams) == 112);

// Colour modes of the colorMode channel.
enum EdgeInkColorMode : int32_t { kEdgeInkInk = 0, kEdgeInkCrayon = 1, kEdgeInkScratch = 2 };
