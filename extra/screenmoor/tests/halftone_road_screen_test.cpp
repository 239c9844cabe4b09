// Where the screen falls and what it draws, through the stand-in host's road:
// pattern coordinates, surface flow around locators, the packet and host
// packets a sample may lack, see-through and the second screen.
#include <cmath>
#include <functional>
#include <vector>

#include "core/fault_injection.h"
#include "core/matrix.h"
#include "halftone_cells.h"
#include "halftone_ray_hooks.h"
#include "halftone_road.h"

namespace Halftone2_Shader::test {
namespace {

using kvh::HostPacket;
using kvh::MaterialRoad;

constexpr double kPi = 3.14159265358979323846;

// The paper fraction the lattice and shapes give at pattern coordinate
// (u, v) for the ink level of Measuring() (0.5).
float Expected(int32_t pattern, float u, float v, float tiles, float offset = 0.0f) {
    float fx = 0, fy = 0;
    InCellPosition(pattern, LatticeOf(u, v, tiles, offset), &fx, &fy);
    return CellCoverage(pattern, fx, fy, 0.5f);
}

// Camera x right, y down, z forward, at (0, 0, 5) looking down -z.
kvh::Mat4 CameraAtFive() {
    const double x[3] = {1, 0, 0}, y[3] = {0, -1, 0}, z[3] = {0, 0, -1}, p[3] = {0, 0, 5};
    return kvh::Mat4::Frame(x, y, z, p);
}

TEST_F(HalftoneRoadTest, TextureAndProjectionCoordinates) {
    // Texture coordinates (0.25, 0.75) turned by pi/2 land at (0.75, 0.75).
    MaterialRoad* turned = Road(Measuring({{"screenCoords", 0}, {"cellPattern", kPatternSquare},
                                           {"cellTiles", 0.8}, {"cellAngle", kPi / 2}}));
    MaterialRoad* straight = Road(Measuring({{"screenCoords", 0}, {"cellPattern", kPatternSquare},
                                             {"cellTiles", 0.8}}));
    ASSERT_TRUE(turned && straight);
    Sample s;
    s.u = 0.25f;
    s.v = 0.75f;
    ASSERT_NE(Expected(kPatternSquare, 0.75f, 0.75f, 0.8f), Expected(kPatternSquare, 0.25f, 0.75f, 0.8f));
    EXPECT_NEAR(Paper(*turned, s), Expected(kPatternSquare, 0.75f, 0.75f, 0.8f), 1e-5);
    EXPECT_NEAR(Paper(*straight, s), Expected(kPatternSquare, 0.25f, 0.75f, 0.8f), 1e-5);
    // Without its own packet the sample shades from the block (sine and cosine included).
    EXPECT_NEAR(Paper(*turned, s, false), Expected(kPatternSquare, 0.75f, 0.75f, 0.8f), 1e-5);
    // Without "texture.input" the coordinates read (0, 0).
    s.absent = {HostPacket::TextureInput};
    EXPECT_NEAR(Paper(*straight, s), Expected(kPatternSquare, 0.0f, 0.0f, 0.8f), 1e-5);

    // The centre of a 640 x 480 image: both axes over the width, (0.5, 0.375).
    MaterialRoad* lines = Road(Measuring({{"cellPattern", kPatternLines}, {"cellTiles", 1.8}}));
    ASSERT_TRUE(lines);
    Sample centre;
    centre.px = 320;
    centre.py = 240;
    ASSERT_NE(Expected(kPatternLines, 0.5f, 0.375f, 1.8f), Expected(kPatternLines, 0.5f, 0.5f, 1.8f));
    EXPECT_NEAR(Paper(*lines, centre), Expected(kPatternLines, 0.5f, 0.375f, 1.8f), 1e-5);

    // 0 x 480 divides by 100: pixel row 25 is v = 0.25, not 25/480.
    MaterialRoad* lines2 = Road(Measuring({{"cellPattern", kPatternLines}, {"cellTiles", 2.0}}));
    ASSERT_TRUE(lines2);
    Sample narrow;
    narrow.px = 50;
    narrow.py = 25;
    narrow.width = 0;
    ASSERT_NE(Expected(kPatternLines, 0.5f, 0.25f, 2.0f), Expected(kPatternLines, 0.5f, 25.0f / 480.0f, 2.0f));
    EXPECT_NEAR(Paper(*lines2, narrow), Expected(kPatternLines, 0.5f, 0.25f, 2.0f), 1e-5);
    // So does a vector without "camera.resolution".
    narrow.width = 640;
    narrow.absent = {HostPacket::CameraResolution};
    EXPECT_NEAR(Paper(*lines2, narrow), Expected(kPatternLines, 0.5f, 0.25f, 2.0f), 1e-5);
    // Without a ray object the sample sits at pixel (0, 0).
    noRayObject_ = true;
    EXPECT_NEAR(Paper(*lines2, centre), Expected(kPatternLines, 0.0f, 0.125f, 2.0f), 1e-5);
    noRayObject_ = false;
}

TEST_F(HalftoneRoadTest, ProjectionEnlargesWithDepth) {
    // Depth enlarges the position: k = 1 + zScale * distance.
    MaterialRoad* near = Road(Measuring({{"cellPattern", kPatternLines}, {"cellTiles", 2.0}, {"zScale", 0.4}}));
    MaterialRoad* far = Road(Measuring({{"cellPattern", kPatternLines}, {"cellTiles", 1.0}, {"zScale", 0.6}}));
    ASSERT_TRUE(near && far);
    Sample corner;  // x = y = -0.5, times 1.4: -0.2 after adding 0.5
    corner.width = corner.height = 640;
    ASSERT_NE(Expected(kPatternLines, -0.2f, -0.2f, 2.0f), Expected(kPatternLines, 0.0f, 0.0f, 2.0f));
    EXPECT_NEAR(Paper(*near, corner), Expected(kPatternLines, -0.2f, -0.2f, 2.0f), 1e-5);
    Sample opposite = corner;  // x = y = 0.5, times 1.6: 1.3
    opposite.px = opposite.py = 640;
    ASSERT_NE(Expected(kPatternLines, 1.3f, 1.3f, 1.0f), Expected(kPatternLines, 1.0f, 1.0f, 1.0f));
    EXPECT_NEAR(Paper(*far, opposite), Expected(kPatternLines, 1.3f, 1.3f, 1.0f), 1e-5);
    // Without "sample.ray" the distance reads 0: no enlargement.
    corner.absent = {HostPacket::SampleRay};
    EXPECT_NEAR(Paper(*near, corner), Expected(kPatternLines, 0.0f, 0.0f, 2.0f), 1e-5);
}

// Screens continue across u = 0 and v = 0 whatever the tile count, whole or
// not, odd or even: a sample and one two cells further (a whole period of
// every stagger) draw the same.
TEST_F(HalftoneRoadTest, ScreensContinueAcrossZeroForEveryTileCount) {
    const std::pair<int32_t, double> screens[] = {
        {kPatternDiamCheck, 45.0}, {kPatternChecker, 45.0}, {kPatternDiamCheck, 2.5}, {kPatternDots, 2.5}};
    for (auto [pattern, tiles] : screens) {
        // 720 wide, zScale 1 at distance 1: u = x / 360 - 0.5, v = y / 360 - 0.5.
        MaterialRoad* road = Road(Measuring({{"cellPattern", double(pattern)}, {"cellTiles", tiles}, {"zScale", 1.0}}));
        ASSERT_TRUE(road);
        const double period = 2.0 * 360.0 / tiles;
        auto paper = [&](double x, double y) { return Paper(*road, kvt::SampleAt<Sample>(x, y, 720, 360)); };
        const double span = std::max(60.0, period);  // around the line, at least a period wide
        int inked = 0, samples = 0;
        for (double x = 180.37 - span; x < 180.0 + span; x += span / 23.0)
            for (double y = 180.21 - span; y < 180.0 + span; y += span / 11.0, ++samples) {
                const float here = paper(x, y);
                inked += here < 0.5f;
                EXPECT_NEAR(paper(x + period, y), here, 1e-3) << pattern << " " << tiles << " at " << x << ", " << y;
                EXPECT_NEAR(paper(x, y + period), here, 1e-3) << pattern << " " << tiles << " at " << x << ", " << y;
            }
        EXPECT_GT(inked, samples / 10) << pattern << " " << tiles;
        EXPECT_LT(inked, samples - samples / 10) << pattern << " " << tiles;
    }
}

// Texture screens mirror at u = 0 and v = 0: (u, v), (-u, v) and (u, -v)
// draw alike across a whole cell, staggers included, for whole and
// fractional tile counts and any offset. Screen coordinates run on across 0
// instead. (The shapes are symmetric in their cell: only an offset or a
// stagger tells a mirror from a continuation.)
TEST_F(HalftoneRoadTest, TextureScreensMirrorAtZeroScreenCoordinatesRunOn) {
    for (int32_t pattern : {kPatternSquare, kPatternDiamCheck})
        for (double tiles : {1.0, 2.5, 3.0, 7.25})
            for (double offset : {0.0, 0.35, -0.6}) {
                MaterialRoad* road = Road(Measuring({{"screenCoords", 0}, {"cellPattern", double(pattern)},
                                                     {"cellTiles", tiles}, {"uvOffset", offset}}));
                ASSERT_TRUE(road);
                for (int k = 0; k < 41; ++k) {
                    Sample s, mu, mv;
                    s.u = mv.u = float((k + 0.29) / (20.0 * tiles));  // across two cells: a stagger period
                    s.v = mu.v = float((40 - k + 0.61) / (20.0 * tiles));
                    mu.u = -s.u;
                    mv.v = -s.v;
                    const float here = Paper(*road, s);
                    EXPECT_EQ(Paper(*road, mu), here) << pattern << " " << tiles << " " << offset << " at " << s.u;
                    EXPECT_EQ(Paper(*road, mv), here) << pattern << " " << tiles << " " << offset << " at " << s.v;
                }
            }

    // 720 wide, zScale 1 at distance 1: u = x / 360 - 0.5, v = y / 360 - 0.5,
    // both 0 at pixel (180, 180).
    const double tiles = 2.5, period = 2.0 * 360.0 / tiles;
    MaterialRoad* road =
        Road(Measuring({{"cellPattern", kPatternSquare}, {"cellTiles", tiles}, {"uvOffset", 0.35}, {"zScale", 1.0}}));
    ASSERT_TRUE(road);
    auto paper = [&](double x, double y) { return Paper(*road, kvt::SampleAt<Sample>(x, y, 720, 360)); };
    kvt::ExpectScreenRunsOnAcrossZero(paper, paper, period, 1e-3f);
}

TEST_F(HalftoneRoadTest, SurfaceFlowWithoutLocatorsSpreadsRadially) {
    // Pixel (75, 75) of 100 x 100: (0.25, 0.25) scaled by its radius.
    const auto values = Measuring({{"screenMode", 1}, {"cellPattern", kPatternDots}, {"cellTiles", 2.0},
                                   {"sfReflection", 1.0}, {"zScale", 1.0}}).values;
    MaterialRoad::Options o;
    o.values = values;
    MaterialRoad* flow = Road(o);
    Scene().graphAvailable = false;  // no "shadeLoc" graph: no locator, the camera still linked
    Scene().CreateCamera("cam", 0.05, 0.036, 0.024, 4.0, CameraAtFive());
    MaterialRoad* noGraph = Road(o);
    ASSERT_TRUE(flow && noGraph);
    Sample s;
    s.px = s.py = 75;
    s.width = s.height = 100;
    const float r = std::sqrt(0.125f);
    const float uv = 0.25f * r + 0.5f;
    ASSERT_NE(Expected(kPatternDots, uv, uv, 2.0f), Expected(kPatternDots, 0.75f, 0.75f, 2.0f));
    EXPECT_NEAR(Paper(*flow, s), Expected(kPatternDots, uv, uv, 2.0f), 1e-5);
    EXPECT_NEAR(Paper(*noGraph, s), Expected(kPatternDots, uv, uv, 2.0f), 1e-5);
    Scene().graphAvailable = true;
}

TEST_F(HalftoneRoadTest, LocatorsPullTowardsTheirProjectedPlace) {
    // Focal length 0.05, apertures 0.036 and 0.024: screen scales 0.36 and
    // 0.24. The locator at (1, 0, 0) is 5 in front of the camera, on the
    // image's middle row: x = 1 / (2 * 0.36 * 5), y = 0.5 (0.024 / 0.036 - 1).
    Scene().CreateCamera("cam", 0.05, 0.036, 0.024, 4.0, CameraAtFive());
    Scene().CreateLocator("loc", kvh::Mat4::Translation(1, 0, 0));
    // Depth curve with e = 3 at a = 1: the pull is 2 (distance 6, depth 5).
    auto flow = [&](double zScale) {
        MaterialRoad::Options o = Measuring({{"screenMode", 1}, {"cellPattern", kPatternDots}, {"cellTiles", 3.0},
                                             {"zMin", 0.0}, {"zMax", 1.0}, {"zScale", zScale}});
        o.links = {"loc"};
        return Road(o);
    };
    MaterialRoad* pulled = flow(std::log(3.0));
    MaterialRoad* still = flow(0.0);
    ASSERT_TRUE(pulled && still);
    const double sx = 1.0 / (2.0 * 0.36 * 5.0);
    const double sy = 0.5 * (0.024 / 0.036 - 1.0);
    Sample at;
    at.width = 640;
    at.height = 427;
    at.dist = 6.0f;
    const double px = (sx + 0.5) * 640.0, py = (sy + 0.5) * 640.0;
    at.px = int32_t(px);
    at.fx = float(px - at.px);
    at.py = int32_t(py);
    at.fy = float(py - at.py);
    // A sample at the locator's place is not moved by the pull ...
    EXPECT_NEAR(Paper(*pulled, at), Paper(*still, at), 0.02);
    // ... one elsewhere is.
    bool moved = false;
    for (int32_t x = 100; x < 640 && !moved; x += 37) {
        Sample away = at;
        away.px = x;
        moved = std::fabs(Paper(*pulled, away) - Paper(*still, away)) > 0.2f;
    }
    EXPECT_TRUE(moved);
}

// The paper along row 200 of a 640 x 480 image, every 23 pixels.
std::vector<float> PaperRow(const std::function<float(const Sample&)>& paper) {
    std::vector<float> row;
    for (int32_t x = 40; x < 640; x += 23) {
        Sample s;
        s.px = x;
        s.py = 200;
        s.dist = 6.0f;
        row.push_back(paper(s));
    }
    return row;
}

// sfReflection sets the strength of the normal term: a flow shorter than a
// frame width keeps its length, a longer one is cut to it.
TEST_F(HalftoneRoadTest, SurfaceFlowStrengthFollowsSfReflection) {
    Scene().CreateCamera("cam", 0.05, 0.036, 0.024, 4.0, CameraAtFive());
    Scene().CreateLocator("loc", kvh::Mat4::Translation(1, 0, 0));
    HalftoneRays hooks;
    hooks.lean = 0.01f;  // the surface turns with the screen offset
    auto row = [&](double strength) {
        MaterialRoad::Options o = Measuring({{"screenMode", 1}, {"cellPattern", kPatternDots}, {"cellTiles", 30.0},
                                             {"zScale", 0.0}, {"sfReflection", strength}});
        o.links = {"loc"};
        MaterialRoad* road = Road(o);
        EXPECT_TRUE(road);
        return road ? PaperRow([&](const Sample& s) { return Shade(*road, s, true, &hooks).color[0] * 2.0f; })
                    : std::vector<float>{};
    };
    const std::vector<float> none = row(0.0), weak = row(0.02), stronger = row(0.04);
    EXPECT_NE(none, weak);
    EXPECT_NE(weak, stronger);
    EXPECT_EQ(row(1000.0), row(5000.0));  // both cut to unit length
}

// Matrix answers are judged by their data, not their codes: a host that
// fails every matrix call while writing the data shades as an honest one;
// one that succeeds without writing keeps the last frame and positions.
TEST_F(HalftoneRoadTest, MatrixAnswersAreJudgedByTheirData) {
    kvh::SceneItem* camera = Scene().CreateCamera("cam", 0.05, 0.036, 0.024, 4.0, CameraAtFive());
    kvh::SceneItem* locator = Scene().CreateLocator("loc", kvh::Mat4::Translation(1, 0, 0));
    ASSERT_TRUE(camera && locator);
    MaterialRoad::Options o = Measuring({{"screenMode", 1}, {"cellPattern", kPatternDots}, {"cellTiles", 3.0},
                                         {"zMin", 0.0}, {"zMax", 1.0}, {"zScale", std::log(3.0)}});
    o.links = {"loc"};
    MaterialRoad* road = Road(o);
    ASSERT_TRUE(road);
    auto paper = [&] { return PaperRow([&](const Sample& s) { return Paper(*road, s); }); };
    auto reread = [&](kvh::MatrixAnswers answers) {
        const kvh::ScopedMatrixAnswers scope(answers);
        ASSERT_EQ(road->Reread(&err_), KV_OK);
    };
    const std::vector<float> before = paper();
    // The camera steps back and the locator moves: both change the pull.
    kvh::Mat4 back = CameraAtFive();
    back.at(3, 2) = 5.5;
    camera->SetWorldMatrix(back);
    locator->SetWorldMatrix(kvh::Mat4::Translation(0.5, 0, 0));
    reread(kvh::MatrixAnswers::SucceedingWithNothing);
    EXPECT_EQ(paper(), before);
    reread(kvh::MatrixAnswers::Honest);
    const std::vector<float> moved = paper();
    EXPECT_NE(moved, before);
    camera->SetWorldMatrix(CameraAtFive());
    locator->SetWorldMatrix(kvh::Mat4::Translation(1, 0, 0));
    reread(kvh::MatrixAnswers::Honest);
    EXPECT_EQ(paper(), before);
    camera->SetWorldMatrix(back);
    locator->SetWorldMatrix(kvh::Mat4::Translation(0.5, 0, 0));
    reread(kvh::MatrixAnswers::FailingWithData);
    EXPECT_EQ(paper(), moved);

    // A host that inverts in float: a camera some 100 units off, whose
    // inverse misses R'·R = I by about 1e-5, is taken as the honest host's
    // (the paper then differs only where a dot's edge crosses a sample).
    kvt::PlaceCameraFarOff(*camera, *locator);
    reread(kvh::MatrixAnswers::InvertingInFloat);
    const std::vector<float> inFloat = paper();
    reread(kvh::MatrixAnswers::Honest);
    const std::vector<float> exact = paper();
    EXPECT_NE(exact, moved);
    ASSERT_EQ(inFloat.size(), exact.size());
    for (size_t i = 0; i < exact.size(); ++i) EXPECT_NEAR(inFloat[i], exact[i], 5e-3f) << i;
}

TEST_F(HalftoneRoadTest, FlowStaysFiniteAtTheCurvesPoles) {
    Scene().CreateCamera("cam", 0.05, 0.036, 0.024, 4.0, CameraAtFive());
    Scene().CreateLocator("a", kvh::Mat4::Translation(0, 0, 0));
    Scene().CreateLocator("b", kvh::Mat4::Translation(0.5, 0.2, -1));
    MaterialRoad::Options o;
    o.values = {{"screenMode", 1}, {"zMin", 0.0},        {"zMax", 1.0},
                {"zScale", 1.0},   {"sfReflection", 2.0}, {"sfForeshort", -1.0}};
    o.links = {"a", "b"};
    MaterialRoad* flow = Road(o);
    ASSERT_TRUE(flow);
    HalftoneRays hooks;
    const double e = std::exp(1.0);
    // depthOffset's pole at a = (e + 1)/(e - 1) from locator a (depth 5);
    // normalOffset's at |V| = e/(e - 1) for sfForeshort -1.
    hooks.normal[0] = float(e / (e - 1.0));
    hooks.normal[2] = 0.0f;
    for (float dist : {5.0f + float((e + 1.0) / (e - 1.0)), 6.0f, 0.0f, 1e30f}) {
        Sample s;
        s.px = 300;
        s.py = 200;
        s.dist = dist;
        const Shaded r = Shade(*flow, s, true, &hooks);
        for (float c : r.color) EXPECT_TRUE(std::isfinite(c)) << dist;
    }
    // Every host packet missing at once.
    Sample bare;
    bare.absent = {HostPacket::SampleRay,      HostPacket::SurfaceNormal, HostPacket::SampleParms,
                   HostPacket::CameraResolution, HostPacket::TextureInput, HostPacket::Raycast};
    const Shaded r = Shade(*flow, bare, false, &hooks);
    for (float c : r.color) EXPECT_EQ(c, 0.0f);  // no surface colour: black paper and ink

    // A camera whose world matrix cannot be inverted: the material keeps the
    // frame it had and shades on.
    kvh::Mat4 flat = CameraAtFive();
    for (int c = 0; c < 3; ++c) flat.at(2, c) = 0.0;
    Scene().camera()->SetWorldMatrix(flat);
    MaterialRoad* singular = Road(o);
    ASSERT_TRUE(singular);
    Sample s;
    s.px = 300;
    s.py = 200;
    for (float c : Shade(*singular, s, true, &hooks).color) EXPECT_TRUE(std::isfinite(c));
}

TEST_F(HalftoneRoadTest, NegativeCellOffsetStaysInsideTheCell) {
    // u = 0.01 on 8 tiles with offset -0.5: cell position 0.58, not -0.42.
    MaterialRoad* road = Road(Measuring({{"screenCoords", 0}, {"cellPattern", kPatternDots}, {"cellTiles", 8.0},
                                         {"uvOffset", -0.5}}));
    ASSERT_TRUE(road);
    Sample s;
    s.u = s.v = 0.01f;
    ASSERT_NE(CellCoverage(kPatternDots, 0.58f, 0.58f, 0.5f), CellCoverage(kPatternDots, -0.42f, -0.42f, 0.5f));
    EXPECT_NEAR(Paper(*road, s), CellCoverage(kPatternDots, 0.58f, 0.58f, 0.5f), 1e-5);
    EXPECT_NEAR(Paper(*road, s, false), CellCoverage(kPatternDots, 0.58f, 0.58f, 0.5f), 1e-5);
}

TEST_F(HalftoneRoadTest, SeeThroughContinuesTheRay) {
    // Paper is what lies behind the surface.
    MaterialRoad* road = Road(Measuring({{"seeThrough", 1.0}, {"cellTiles", 1.0}, {"cellPattern", kPatternDots}}));
    ASSERT_TRUE(road);
    HalftoneRays hooks;
    Sample corner;  // pixel (0, 0): a cell corner, paper
    corner.width = corner.height = 100;
    ASSERT_EQ(Expected(kPatternDots, 0.0f, 0.0f, 1.0f), 1.0f);
    Shaded r = Shade(*road, corner, true, &hooks);
    EXPECT_EQ(r.color[0], 0.0f);
    EXPECT_EQ(r.color[2], 1.0f);
    // No nested vector for the continued ray: black behind.
    kvh::faults::Arm(kvh::FaultSite::RaycastPush, 1, true);
    r = Shade(*road, corner, true, &hooks);
    kvh::faults::Clear();
    EXPECT_EQ(r.color[2], 0.0f);
    // No "sample.ray": nothing to continue, see-through left out.
    corner.absent = {HostPacket::SampleRay};
    r = Shade(*road, corner, true, &hooks);
    EXPECT_EQ(r.color[2], 0.5f);
}

TEST_F(HalftoneRoadTest, SecondScreenDrawsReflectionOnlyWhenOn) {
    Sample s;
    s.light = 0.5f;  // fully lit: the main screen draws no ink
    s.refl[1] = 0.5f;
    s.reflCol[1] = 1.0f;
    MaterialRoad* on = Road(Measuring({{"drawSpecular", 1}, {"reflection", 1.0}, {"contrast", 0.0}}));
    MaterialRoad* off = Road(Measuring({{"reflection", 1.0}, {"contrast", 0.0}}));
    ASSERT_TRUE(on && off);
    const Shaded drawn = Shade(*on, s);
    EXPECT_EQ(drawn.sc.refl[1], 0.0f);
    const Shaded kept = Shade(*off, s);
    EXPECT_EQ(kept.sc.refl[1], 0.5f);
    EXPECT_EQ(kept.color[1], 0.5f + 0.5f);  // paper plus the host's reflection
    EXPECT_EQ(kept.color[0], 0.5f);
}

}  // namespace
}  // namespace Halftone2_Shader::test
