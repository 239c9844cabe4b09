// The searches run per shading sample: none of them may allocate.
#include <gtest/gtest.h>

#include "halton_index.h"
#include "point_grid.h"
#include "point_search.h"
#include "testing/alloc_counter.h"
#include "tile_lattice.h"
#include "wang_tiles.h"

namespace Stipple_Shader {
namespace {

TEST(PointTableSearch, SearchesAllocateNothing) {
    const PointGrid grid(PointTable8192, kTablePointCount);
    const WangTileSampler sampler;
    const TileLattice lattice;
    LatticeNeighbours nb{};
    for (auto& t : nb.tiles) t = lattice.Lookup(0, 1, 1, 0);
    HaltonIndexer halton;
    halton.Init(640, 480, 8192);
    int32_t hits = 0;
    int32_t out[32];
    float d = 0.0f;
    kvt::AllocationCounter counter;
    for (int i = 0; i < 200; ++i) {
        const float x = 0.005f * static_cast<float>(i), y = 1.0f - 0.004f * static_cast<float>(i);
        hits += StippleDotIndex(1024, 1.0f, x, y, 0.5f);
        hits += DabCoverage(512, out, 32, x, y, DotLimit(1024, 1.0f));
        NearestTablePoint(8192, 0.3f, x, y, &hits);
        hits += grid.DotIndex(8192, 1.0f, x, y, 0.7f);
        hits += sampler.DotIndex(8192, 1.0f, x, y, 0.9f);
        hits += lattice.SearchNeighbours(nb.tiles[0], nb, 32, &d, x, y, 0.01f);
        hits += halton.IndexAt(i, 2 * i);
    }
    EXPECT_EQ(counter.count(), 0);
    EXPECT_NE(hits, 0);
}

}  // namespace
}  // namespace Stipple_Shader
