// Pattern coordinates through the road, read back as tile positions from
// sketch maps that encode them, and the host's packets left out.
#include "core/fault_injection.h"
#include "core/matrix.h"
#include "sketch_road.h"

namespace SketchTone_Shader::test {
namespace {

using kvh::MaterialRoad;
constexpr double kPi = 3.141592653589793;

void ExpectAt(const TilePos& got, float fu, float fv) {
    EXPECT_NEAR(got.fu, Cell(fu), 0.5f * kPixel) << "fu " << fu;
    EXPECT_NEAR(got.fv, Cell(fv), 0.5f * kPixel) << "fv " << fv;
}

// The surface-flow depth curve, as the pattern code evaluates it.
float DepthCurve(float x, float k) {
    const float e = float(std::exp(double(k)));
    const float a = x * (e - 1.0f);
    return 2.0f * a / ((e + 1.0f) - a);
}

// Surface flow without a normal term: P scaled by its own length.
TilePos FlowAt(double px, double py) {
    const double len = std::sqrt(px * px + py * py);
    return {float(px * len + 0.5), float(py * len + 0.5)};
}

TEST_F(SketchRoadTest, TextureCoordinatesRotateAndDoNotWrap) {
    Sample s;
    s.u = 0.3f;
    s.v = 0.8f;
    ExpectAt(Where(Probe({{"screenCoords", 0.0}}), s), 0.3f, 0.8f);
    // A quarter turn about the tile centre takes (0.9, 0.7) to (0.7, 0.1).
    s.u = 0.9f;
    s.v = 0.7f;
    ExpectAt(Where(Probe({{"screenCoords", 0.0}, {"sketchAngle", kPi / 2}}), s), 0.7f, 0.1f);
    // Below 0 the tiles mirror: -0.25 lies at 0.25; the last column is 1023.
    s.u = -0.25f;
    s.v = -0.9999f;
    ExpectAt(Where(Probe({{"screenCoords", 0.0}}), s), 0.25f, 0.9999f);
    // Without texture coordinates the sample reads (0, 0).
    s.absent = {kvh::HostPacket::TextureInput};
    ExpectAt(Where(Probe({{"screenCoords", 0.0}}), s), 0.0f, 0.0f);
    s.absent.clear();
    // A negative tile offset stays inside the tile: 0.1 - 0.25 lands at 0.85.
    s.u = 0.1f;
    s.v = 0.5f;
    ExpectAt(Where(Probe({{"screenCoords", 0.0}, {"uvOffset", -0.25}}), s), 0.85f, 0.25f);
}

TEST_F(SketchRoadTest, ProjectionScalesWithDepth) {
    // 200 x 100: pixel (150, 25) is X = 0.25, Y = -0.375; zScale 0.02 at
    // distance 50 doubles both: (1.0, -0.25), tile positions (0, 0.75).
    const ProbeRoads roads = Probe({});
    Sample s;
    s.px = 150;
    s.py = 25;
    s.dist = 0.0f;
    ExpectAt(Where(roads, s), 0.75f, 0.125f);
    s.dist = 50.0f;
    ExpectAt(Where(roads, s), 0.0f, 0.75f);
    // A 0 x 0 resolution divides by 100: pixel (50, 25) is (0, -0.25).
    const ProbeRoads flat = Probe({{"zScale", 0.0}});
    Sample zero;
    zero.width = zero.height = 0;
    zero.px = 50;
    zero.py = 25;
    ExpectAt(Where(flat, zero), 0.5f, 0.25f);
    // So does a vector without the resolution packet.
    zero.absent = {kvh::HostPacket::CameraResolution};
    ExpectAt(Where(flat, zero), 0.5f, 0.25f);
    // Without the ray packet the distance is 0: no enlargement.
    s.absent = {kvh::HostPacket::SampleRay};
    ExpectAt(Where(roads, s), 0.75f, 0.125f);
    // Without a ray object the pixel reads (0, 0): (-0.5, -0.5), tile position 0.
    s.absent.clear();
    s.rayObject = false;
    ExpectAt(Where(flat, s), 0.0f, 0.0f);
}

// The tiles continue across u' = 0 and v' = 0 whatever their count: a
// sample and one a whole tile further draw the same spot coverage.
TEST_F(SketchRoadTest, TilesContinueAcrossZeroForEveryCount) {
    for (double tiles : {2.5, 3.0, 7.25}) {
        // 720 wide, zScale 1 at distance 1: u' = x / 360 - 0.5, v' = y / 360 - 0.5.
        MaterialRoad* road = Road({{"zScale", 1.0}, {"sketchTiles", tiles}});
        ASSERT_TRUE(road);
        const double tile = 360.0 / tiles;
        auto tone = [&](double x, double y) { return Shade(*road, kvt::SampleAt<Sample>(x, y, 720, 360)).color[0]; };
        int inked = 0, samples = 0;
        for (double x = 90.37; x < 270.0; x += 6.1)
            for (double y = 90.21; y < 270.0; y += 11.3, ++samples) {
                const float here = tone(x, y);
                inked += here < 0.5f;
                EXPECT_NEAR(tone(x + tile, y), here, 1e-3) << tiles << " at " << x << ", " << y;
                EXPECT_NEAR(tone(x, y + tile), here, 1e-3) << tiles << " at " << x << ", " << y;
            }
        EXPECT_GT(inked, samples / 10) << tiles;
        EXPECT_LT(inked, samples - samples / 10) << tiles;
    }
}

// Texture tiles mirror at u = 0 and v = 0: (u, v), (-u, v) and (u, -v) draw
// alike across a whole tile, for whole and fractional tile counts and any
// offset. Screen tiles run on across 0 instead. Sketch maps whose grey is
// the position in the tile (columns: fu, rows: fv) tell the places apart
// where the round spot, symmetric in its tile, would not.
TEST_F(SketchRoadTest, TextureTilesMirrorAtZeroScreenTilesRunOn) {
    Scene().CreateClip("columns", PositionImage(true));
    Scene().CreateClip("rows", PositionImage(false));
    auto red = [&](const MaterialRoad& road, Sample s, float light) {
        s.light = light;
        return Shade(road, s).color[0];
    };
    for (double tiles : {1.0, 2.5, 3.0, 7.25})
        for (double offset : {0.0, 0.35, -0.6}) {
            const std::vector<kvh::ChannelValue> values = {
                {"screenCoords", 0.0}, {"sketchTiles", tiles}, {"uvOffset", offset}};
            MaterialRoad* columns = Road(values, {"columns"});
            MaterialRoad* rows = Road(values, {"rows"});
            ASSERT_TRUE(columns && rows);
            for (int k = 0; k < 31; ++k) {
                const float a = float((k + 0.29) / (31.0 * tiles));  // across one tile
                const float b = float(0.13 + 0.027 * k);
                for (float light : {0.2f, 0.5f, 0.8f}) {
                    Sample s, mu, mv;
                    s.u = mv.u = a;
                    s.v = mu.v = b;
                    mu.u = -a;
                    mv.v = -b;
                    EXPECT_EQ(red(*columns, mu, light), red(*columns, s, light)) << tiles << " " << offset << " " << a;
                    EXPECT_EQ(red(*rows, mv, light), red(*rows, s, light)) << tiles << " " << offset << " " << b;
                }
            }
        }

    // Screen: 720 x 360, zScale 1 at distance 1: u' = x / 360 - 0.5 and
    // v' = y / 360 - 0.5, both 0 at pixel (180, 180).
    const double tiles = 2.5, tile = 360.0 / tiles;
    MaterialRoad* columns = Road({{"zScale", 1.0}, {"sketchTiles", tiles}, {"uvOffset", 0.35}}, {"columns"});
    MaterialRoad* rows = Road({{"zScale", 1.0}, {"sketchTiles", tiles}, {"uvOffset", 0.35}}, {"rows"});
    ASSERT_TRUE(columns && rows);
    auto along = [&](const MaterialRoad* road) {
        return [&red, road](double x, double y) { return red(*road, kvt::SampleAt<Sample>(x, y, 720, 360), 0.5f); };
    };
    kvt::ExpectScreenRunsOnAcrossZero(along(columns), along(rows), tile, 0.0f);
}

class SketchFlowTest : public SketchRoadTest {
protected:
    // Camera at the origin looking down +z (x right, y down); 200 x 100
    // square pixels, so the image centre row is Y = -0.25.
    void SetUp() override {
        SketchRoadTest::SetUp();
        camera_ = Scene().CreateCamera("cam", 0.05, 0.05, 0.025, 5.0, kvh::Mat4());
        ASSERT_TRUE(camera_);
    }
    std::vector<kvh::ChannelValue> Flow() {
        return {{"screenMode", 1.0}, {"zScale", 1.0}, {"zMin", 0.0}, {"zMax", 5.0}, {"sfReflection", 0.0}};
    }
    // Pixel (150, 50): X = 0.25, Y = -0.25.
    Sample At(float dist) {
        Sample s;
        s.px = 150;
        s.py = 50;
        s.dist = dist;
        return s;
    }
    kvh::SceneItem* camera_ = nullptr;
};

TEST_F(SketchFlowTest, NoLocatorsScaleTheScreenPositionByItsLength) {
    const TilePos want = FlowAt(0.25, -0.25);
    ExpectAt(Where(Probe(Flow()), At(7.5f)), want.fu, want.fv);
}

TEST_F(SketchFlowTest, LocatorsPullThePatternByDepth) {
    // On the axis at depth 5: screen (0, -0.25). At distance 7.5 the depth
    // term is depthOffset(0.5, 1) and P = (X + D X, Y).
    ASSERT_TRUE(Scene().CreateLocator("axis", kvh::Mat4::Translation(0.0, 0.0, 5.0)));
    const ProbeRoads roads = Probe(Flow(), {"axis"});
    const float d = DepthCurve(0.5f, 1.0f);
    const TilePos want = FlowAt(0.25 + d * 0.25, -0.25);
    ExpectAt(Where(roads, At(7.5f)), want.fu, want.fv);
    // At the locator's own depth the term vanishes.
    const TilePos same = FlowAt(0.25, -0.25);
    ExpectAt(Where(roads, At(5.0f)), same.fu, same.fv);
}

// A locator twice as far along the same line of sight lands on the same
// screen position (x = q0 / (2 sx q2) = 0.2 here), not four times farther out.
TEST_F(SketchFlowTest, LocatorProjectionIsPerspective) {
    ASSERT_TRUE(Scene().CreateLocator("near", kvh::Mat4::Translation(1.0, 0.0, 5.0)));
    ASSERT_TRUE(Scene().CreateLocator("far", kvh::Mat4::Translation(2.0, 0.0, 10.0)));
    const float d = DepthCurve(0.5f, 1.0f);
    const TilePos want = FlowAt(0.25 + d * (0.25 - 0.2), -0.25);
    ExpectAt(Where(Probe(Flow(), {"near"}), At(7.5f)), want.fu, want.fv);
    ExpectAt(Where(Probe(Flow(), {"far"}), At(12.5f)), want.fu, want.fv);
}

// Matrix answers are judged by their data, not their codes: a host that
// fails every matrix call while writing the data shades as an honest one;
// one that succeeds without writing, a camera that cannot be inverted, or no
// matrix at all keeps the frame and positions of the last good read.
TEST_F(SketchFlowTest, MatrixAnswersAreJudgedByTheirData) {
    kvh::SceneItem* locator = Scene().CreateLocator("near", kvh::Mat4::Translation(1.0, 0.0, 5.0));
    ASSERT_TRUE(locator);
    const ProbeRoads roads = Probe(Flow(), {"near"});
    const TilePos before = Where(roads, At(7.5f));
    auto reread = [&](kvh::MatrixAnswers answers) {
        const kvh::ScopedMatrixAnswers scope(answers);
        ASSERT_EQ(roads.columns->Reread(&err_), KV_OK);
        ASSERT_EQ(roads.rows->Reread(&err_), KV_OK);
    };
    auto expectAt = [&](const TilePos& want) {
        const TilePos got = Where(roads, At(7.5f));
        EXPECT_EQ(got.fu, want.fu);
        EXPECT_EQ(got.fv, want.fv);
    };
    // The camera steps back and the locator moves: both change the pull.
    camera_->SetWorldMatrix(kvh::Mat4::Translation(0.0, 0.0, -1.0));
    locator->SetWorldMatrix(kvh::Mat4::Translation(0.5, 0.0, 5.0));
    reread(kvh::MatrixAnswers::SucceedingWithNothing);
    expectAt(before);
    reread(kvh::MatrixAnswers::Honest);
    const TilePos moved = Where(roads, At(7.5f));
    EXPECT_NE(moved.fu, before.fu);
    camera_->SetWorldMatrix(kvh::Mat4());
    locator->SetWorldMatrix(kvh::Mat4::Translation(1.0, 0.0, 5.0));
    reread(kvh::MatrixAnswers::Honest);
    expectAt(before);
    camera_->SetWorldMatrix(kvh::Mat4::Translation(0.0, 0.0, -1.0));
    locator->SetWorldMatrix(kvh::Mat4::Translation(0.5, 0.0, 5.0));
    reread(kvh::MatrixAnswers::FailingWithData);
    expectAt(moved);

    kvh::Mat4 singular;
    singular.m.fill(0.0);
    camera_->SetWorldMatrix(singular);
    reread(kvh::MatrixAnswers::Honest);
    expectAt(moved);
    kvh::faults::Arm(kvh::FaultSite::AttributesValue, 1, true);
    camera_->SetWorldMatrix(kvh::Mat4());
    reread(kvh::MatrixAnswers::Honest);
    kvh::faults::Clear();
    expectAt(moved);

    // A host that inverts in float: a camera some 100 units off, whose
    // inverse misses R'·R = I by about 1e-5, is taken. The locator sits where
    // the first read saw it in the camera's space, and so does the pattern.
    kvt::PlaceCameraFarOff(*camera_, *locator);
    reread(kvh::MatrixAnswers::InvertingInFloat);
    const TilePos inFloat = Where(roads, At(7.5f));
    EXPECT_NEAR(inFloat.fu, before.fu, 1e-5f);
    EXPECT_NEAR(inFloat.fv, before.fv, 1e-5f);
}

// Curves at their poles: t = (e + 1) / (e - 1) for zScale 1, and a
// negative foreshortening at |d| = e / (e - 1); both give a finite colour.
TEST_F(SketchFlowTest, FalloffPolesAndMissingPacketsShadeFinite) {
    ASSERT_TRUE(Scene().CreateLocator("axis", kvh::Mat4::Translation(0.0, 0.0, 5.0)));
    const float e = float(std::exp(1.0));
    const float pole = (e + 1.0f) / (e - 1.0f);
    std::vector<kvh::ChannelValue> values = Flow();
    values.back() = {"sfReflection", 1.0};
    values.push_back({"sfForeshort", -1.0});
    MaterialRoad* road = Road(values, {"axis"});
    ASSERT_TRUE(road);
    FixedRays rays;
    // |n' - r'| = e / (e - 1) with e = exp(1): n = (0, 0, -1) flattened is 0,
    // so r' must have that length across the view axis.
    const float foreshortPole = e / (e - 1.0f);
    rays.normal[0] = foreshortPole;
    rays.normal[2] = 0.0f;
    Sample s = At(5.0f + pole * 5.0f);
    s.light = 0.3f;
    for (const auto& absent : std::vector<std::vector<kvh::HostPacket>>{
             {},
             {kvh::HostPacket::SurfaceNormal},
             {kvh::HostPacket::SampleRay, kvh::HostPacket::TextureInput},
             {kvh::HostPacket::SampleParms, kvh::HostPacket::CameraResolution}}) {
        s.absent = absent;
        const Shaded r = Shade(*road, s, &rays);
        for (float c : r.color) EXPECT_TRUE(std::isfinite(c)) << absent.size();
    }
    s.absent.clear();
    s.rayObject = false;
    for (float c : Shade(*road, s).color) EXPECT_TRUE(std::isfinite(c));
}

TEST_F(SketchRoadTest, SeeThroughTracesAlongTheRay) {
    // Ink, coverage 1 everywhere: the paper, which is the traced colour at
    // full see-through.
    MaterialRoad* road = Road({{"screenCoords", 0.0}, {"seeThrough", 1.0}, {"replaceSketchMap", 1.0},
                               {"sketchMapLevel", 5.0}});
    ASSERT_TRUE(road);
    FixedRays rays;
    Sample s;
    Shaded r = Shade(*road, s, &rays);
    EXPECT_EQ(rays.traces, 1);
    EXPECT_EQ(r.color[0], 0.0f);
    EXPECT_EQ(r.color[1], 1.0f);
    // No nested vector, or no ray object: black.
    kvh::faults::Arm(kvh::FaultSite::RaycastPush, 1, true);
    r = Shade(*road, s, &rays);
    kvh::faults::Clear();
    EXPECT_EQ(r.color[1], 0.0f);
    EXPECT_EQ(rays.traces, 1);
    s.rayObject = false;
    EXPECT_EQ(Shade(*road, s).color[1], 0.0f);
    // Without the ray packet there is nothing to see through: the surface.
    s.rayObject = true;
    s.absent = {kvh::HostPacket::SampleRay};
    r = Shade(*road, s, &rays);
    EXPECT_EQ(rays.traces, 1);
    EXPECT_EQ(r.color[0], 1.0f);
    // Without sample parameters the surface is black.
    s.absent = {kvh::HostPacket::SampleRay, kvh::HostPacket::SampleParms};
    EXPECT_EQ(Shade(*road, s, &rays).color[0], 0.0f);
}

}  // namespace
}  // namespace SketchTone_Shader::test
