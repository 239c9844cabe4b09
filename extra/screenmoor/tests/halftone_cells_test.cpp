// The cell lattice and the cell shapes, without a host.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "halftone_cells.h"
#include "halftone_layout.h"

namespace Halftone2_Shader {
namespace {

TEST(HalftoneCellCoverage, RoundDotsRampInsideTheirEdge) {
    for (int32_t round : {kPatternDots, kPatternCircle}) {
        // A dot smaller than the ramp never reaches full ink.
        EXPECT_NEAR(CellCoverage(round, 0.5f, 0.5f, 0.05f), 0.5f, 1e-6);
        EXPECT_EQ(CellCoverage(round, 0.5f, 0.5f, 0.0f), 1.0f);
        EXPECT_EQ(CellCoverage(round, 0.7f, 0.5f, 0.0f), 1.0f);
        EXPECT_EQ(CellCoverage(round, 0.5f, 0.5f, 0.3f), 0.0f);
        // t = 1: the centre is ink, the corners sit at the edge.
        EXPECT_EQ(CellCoverage(round, 0.5f, 0.5f, 1.0f), 0.0f);
        EXPECT_GT(CellCoverage(round, 0.0f, 0.0f, 1.0f), 0.9f);
        // Halfway along the ramp: d = 0.5 for t = 0.55.
        EXPECT_NEAR(CellCoverage(round, 0.5f + 0.35355339f, 0.5f, 0.55f), 0.5f, 1e-4);
    }
}

TEST(HalftoneCellCoverage, BandsSquaresDiamondsAndCrosses) {
    EXPECT_EQ(CellCoverage(kPatternSquare, 0.75f, 0.5f, 0.5f), 1.0f);  // on the edge
    EXPECT_EQ(CellCoverage(kPatternSquare, 0.6f, 0.6f, 0.5f), 0.0f);
    for (int32_t band : {kPatternLines, kPatternChecker}) {
        for (float t : {0.1f, 0.5f, 1.0f}) EXPECT_EQ(CellCoverage(band, 0.5f, 0.5f, t), 0.0f) << t;
        EXPECT_NEAR(CellCoverage(band, 0.9f, 0.5f, 0.05f), 0.5f, 1e-6);  // (0.1 - t) * 10
        EXPECT_EQ(CellCoverage(band, 0.5f, 0.9f, 0.5f), 1.0f);
    }
    for (int32_t diamond : {kPatternDiamond, kPatternDiamCheck}) {
        EXPECT_EQ(CellCoverage(diamond, 0.5f, 0.5f, 0.5f), 0.0f);
        EXPECT_EQ(CellCoverage(diamond, 0.8f, 0.8f, 0.5f), 1.0f);  // |dx| + |dy| = 0.6
    }
    // Crosshatch compares the smaller distance with t/2, cross twice it with t.
    EXPECT_NEAR(CellCoverage(kPatternCrosshatch, 0.7f, 0.9f, 0.5f), 0.5f, 1e-5);  // R(0.2, 0.25)
    EXPECT_NEAR(CellCoverage(kPatternCross, 0.7f, 0.9f, 0.5f), 0.0f, 1e-5);       // R(0.4, 0.5) at its foot
    EXPECT_EQ(CellCoverage(kPatternCross, 0.9f, 0.9f, 0.5f), 1.0f);
    EXPECT_EQ(CellCoverage(kPatternCrosshatch, 0.5f, 0.95f, 0.5f), 0.0f);
}

TEST(HalftoneCellCoverage, AdaptiveDashesLinesAndBars) {
    // Below 0.1: dashes on a line of width 0.1.
    EXPECT_EQ(CellCoverage(kPatternAdaptive, 0.5f, 0.5f, 0.05f), 0.0f);
    EXPECT_EQ(CellCoverage(kPatternAdaptive, 0.9f, 0.5f, 0.05f), 1.0f);
    EXPECT_EQ(CellCoverage(kPatternAdaptive, 0.5f, 0.9f, 0.05f), 1.0f);
    // 0.1 to 0.5: lines of width t.
    EXPECT_EQ(CellCoverage(kPatternAdaptive, 0.9f, 0.5f, 0.3f), 0.0f);
    EXPECT_EQ(CellCoverage(kPatternAdaptive, 0.5f, 0.9f, 0.3f), 1.0f);
    // 0.5 and above: lines with cross bars growing to fill the cell.
    EXPECT_EQ(CellCoverage(kPatternAdaptive, 0.5f, 0.9f, 0.75f), 0.0f);
    EXPECT_EQ(CellCoverage(kPatternAdaptive, 0.9f, 0.9f, 0.75f), 1.0f);
    EXPECT_EQ(CellCoverage(kPatternAdaptive, 0.9f, 0.9f, 1.0f), 0.0f);
    // Values outside the table draw adaptive.
    for (int32_t other : {12, -1, 1000}) {
        EXPECT_EQ(CellCoverage(other, 0.9f, 0.5f, 0.05f), CellCoverage(kPatternAdaptive, 0.9f, 0.5f, 0.05f));
        EXPECT_EQ(CellCoverage(other, 0.5f, 0.9f, 0.75f), 0.0f);
    }
    // A level that is not a number draws no ink and no NaN.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int32_t p = -1; p <= 10; ++p) EXPECT_FALSE(std::isnan(CellCoverage(p, 0.3f, 0.6f, nan))) << p;
}

TEST(HalftoneLattice, StaggerOfOddRowsAndColumns) {
    float fx = 0, fy = 0;
    // Square in an odd row shifts by half a cell in x only.
    InCellPosition(kPatternSquare, {0.25f, 1.25f}, &fx, &fy);
    EXPECT_FLOAT_EQ(fx, 0.75f);
    EXPECT_FLOAT_EQ(fy, 0.25f);
    InCellPosition(kPatternSquare, {1.25f, 2.25f}, &fx, &fy);
    EXPECT_FLOAT_EQ(fx, 0.25f);
    EXPECT_FLOAT_EQ(fy, 0.25f);
    // Checker in an odd row and odd column shifts both ways.
    InCellPosition(kPatternChecker, {1.25f, 1.25f}, &fx, &fy);
    EXPECT_FLOAT_EQ(fx, 0.75f);
    EXPECT_FLOAT_EQ(fy, 0.75f);
    InCellPosition(kPatternDots, {1.25f, 1.25f}, &fx, &fy);
    EXPECT_FLOAT_EQ(fx, 0.25f);
    EXPECT_FLOAT_EQ(fy, 0.25f);
}

TEST(HalftoneLattice, NegativeOffsetsStayInsideTheirCell) {
    // u = 0.01 on 8 tiles with offset -0.5: X = -0.42 lies in cell -1 at 0.58.
    const CellLattice p = LatticeOf(0.01f, 0.01f, 8.0f, -0.5f);
    EXPECT_FLOAT_EQ(p.x, -0.42f);
    float fx = 0, fy = 0;
    InCellPosition(kPatternDots, p, &fx, &fy);
    EXPECT_NEAR(fx, 0.58f, 1e-6);
    EXPECT_NEAR(fy, 0.58f, 1e-6);
    // Cell -1 is an odd row: square shifts there as in row 1; cell -2 does not.
    InCellPosition(kPatternSquare, {0.25f, -0.75f}, &fx, &fy);
    EXPECT_FLOAT_EQ(fx, 0.75f);
    EXPECT_FLOAT_EQ(fy, 0.25f);
    InCellPosition(kPatternSquare, {0.25f, -1.75f}, &fx, &fy);
    EXPECT_FLOAT_EQ(fx, 0.25f);
    // The lattice itself continues below 0 (the shading mirrors texture
    // coordinates before it).
    const CellLattice m = LatticeOf(-0.3f, 0.3f, 10.0f, 0.0f);
    EXPECT_FLOAT_EQ(m.x, -3.0f);
    EXPECT_FLOAT_EQ(m.y, 3.0f);
}

// Rows and columns stagger as the cell the position lies in: a sliver below
// 0 lies at 0 of cell 0 and is not staggered as odd cell -1; a value just
// below the sliver stays in cell -1 and is.
TEST(HalftoneLattice, StaggerFollowsTheCellOfASliverBelowZero) {
    const float sliver = -std::ldexp(1.0f, -26), below = -std::ldexp(1.0f, -24);
    float fx = -1, fy = -1;
    InCellPosition(kPatternSquare, {0.25f, sliver}, &fx, &fy);
    EXPECT_EQ(fx, 0.25f);
    EXPECT_EQ(fy, 0.0f);
    InCellPosition(kPatternSquare, {0.25f, below}, &fx, &fy);
    EXPECT_EQ(fx, 0.75f);
    EXPECT_EQ(fy, 1.0f + below);
    InCellPosition(kPatternChecker, {sliver, 0.25f}, &fx, &fy);
    EXPECT_EQ(fx, 0.0f);
    EXPECT_EQ(fy, 0.25f);
    InCellPosition(kPatternChecker, {below, 0.25f}, &fx, &fy);
    EXPECT_EQ(fx, 1.0f + below);
    EXPECT_EQ(fy, 0.75f);
}

TEST(HalftoneLattice, CoordinatesOutOfRangeGiveAPlaceInACell) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(LatticeOf(nan, inf, 64.0f, 0.0f).x, 0.0f);
    EXPECT_EQ(LatticeOf(nan, inf, 64.0f, 0.0f).y, 0.0f);
    EXPECT_EQ(LatticeOf(0.5f, 0.5f, nan, 0.0f).x, 0.0f);
    // Far beyond the integer range: no conversion, still a cell position.
    for (float far : {3e9f, -3e9f, 1e30f, -1e38f}) {
        float fx = -1, fy = -1;
        InCellPosition(kPatternChecker, {far, far + 0.5f}, &fx, &fy);
        EXPECT_GE(fx, 0.0f);
        EXPECT_LT(fx, 1.0f);
        EXPECT_GE(fy, 0.0f);
        EXPECT_LT(fy, 1.0f);
    }
}

}  // namespace
}  // namespace Halftone2_Shader
