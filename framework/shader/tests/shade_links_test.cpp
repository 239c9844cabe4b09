// The "shadeLoc" walk, the camera and locator links and their reading, on a
// small in-process scene.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "fake_scene.h"
#ifdef KV_HOST_MATRIX
#include "core/matrix.h"
#endif
#include "framework/module.h"
#include "shader/shade_links.h"

// The module's entry hooks; this program registers no servers.
void initialize() {}
void cleanup() {}

namespace {

using namespace kv::shader;

const double kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

// A material linked in "shadeLoc" to a locator, a clip, a mesh, a second
// locator and a second clip, in that order, with a render camera.
struct LinkedScene {
    fake::Scene scene;
    fake::Graph graph;
    fake::Item material{fake::kMeshType, {}};
    fake::Item camera{fake::kCameraType, {"focusDist", "apertureX", "apertureY", "focalLen", "worldMatrix"}};
    fake::Item locatorA{fake::kLocatorType, {"worldMatrix"}};
    fake::Item locatorB{fake::kLocatorType, {"worldMatrix"}};
    fake::Item clip1{fake::kClipType, {"imageStack"}};
    fake::Item clip2{fake::kClipType, {"imageStack"}};
    fake::Item mesh{fake::kMeshType, {"worldMatrix"}};
    fake::Evaluation eval;
    fake::Attributes attr;

    LinkedScene() {
        fake::Root::Install();
        material.scene = &scene;
        scene.graph = &graph;
        scene.camera = &camera;
        graph.links = {&locatorA, &clip1, &mesh, &locatorB, &clip2};
    }

    // Camera at (0, 0, -10) looking along +z; focal 0.05, apertures 0.036
    // and 0.024; evaluation indices as link() hands them out.
    void SetLens(const double rotation[9] = kIdentity) {
        attr.floats = {{0, 5.0}, {1, 0.036}, {2, 0.024}, {3, 0.05}};
        const double eye[3] = {0, 0, -10};
        attr.matrices[4] = fake::Matrix::Frame(rotation, eye);
    }
    void PlaceLocator(uint32_t evalIndex, double x, double y, double z) {
        const double at[3] = {x, y, z};
        attr.matrices[evalIndex] = fake::Matrix::Frame(kIdentity, at);
    }
};

TEST(ShadeLocWalk, FirstClipAndEveryLocatorInLinkOrder) {
    LinkedScene s;
    CKvUser_Item clip;
    ASSERT_TRUE(FindLinkedClip(s.material.ptr(), clip));
    EXPECT_EQ(clip.ptr(), reinterpret_cast<vt_IKvItem**>(&s.clip1));
    {
        std::vector<ControlPoint> points;
        EXPECT_EQ(FindLinkedLocators(s.material.ptr(), points), 2u);
        ASSERT_EQ(points.size(), 2u);
        EXPECT_EQ(points[0].item.ptr(), reinterpret_cast<vt_IKvItem**>(&s.locatorA));
        EXPECT_EQ(points[1].item.ptr(), reinterpret_cast<vt_IKvItem**>(&s.locatorB));
        EXPECT_EQ(points[1].view.screenX, 0.0);
        EXPECT_EQ(points[1].view.weight, 1.0f);
        std::vector<ControlPoint> copies = points;  // a copy holds its own reference
        EXPECT_EQ(s.locatorA.refs, 3);
    }
    EXPECT_EQ(s.locatorA.refs, 1);
    clip.clear();
    EXPECT_EQ(s.clip1.refs, 1);
    EXPECT_EQ(s.clip2.refs, 1);
    EXPECT_EQ(s.mesh.refs, 1);
    EXPECT_EQ(s.scene.refs, 1);
    EXPECT_EQ(s.graph.refs, 1);

    s.graph.links = {&s.mesh};
    EXPECT_FALSE(FindLinkedClip(s.material.ptr(), clip));
    s.scene.graph = nullptr;  // no graph: nothing linked
    std::vector<ControlPoint> points;
    EXPECT_EQ(FindLinkedLocators(s.material.ptr(), points), 0u);
    s.material.scene = nullptr;  // no scene either
    EXPECT_FALSE(FindLinkedClip(s.material.ptr(), clip));
}

TEST(PatternLinks, CameraThenLocatorsJoinTheEvaluation) {
    LinkedScene s;
    PatternLinks links;
    links.link(s.eval.ptr(), s.material.ptr());
    ASSERT_TRUE(links.cameraLinked());
    ASSERT_EQ(s.eval.added.size(), 7u);
    for (unsigned c = 0; c < kCameraChannelCount; ++c) {
        EXPECT_EQ(s.eval.added[c].item, &s.camera);
        EXPECT_EQ(s.eval.added[c].chan, c);
        EXPECT_EQ(s.eval.added[c].mode, c == kCamWorldMatrix ? KV_EVAL_MATRIX : KV_EVAL_VALUE);
        EXPECT_EQ(links.cameraLink(c).evalIndex, c);
    }
    EXPECT_EQ(s.eval.added[5].item, &s.locatorA);
    EXPECT_EQ(s.eval.added[6].item, &s.locatorB);
    EXPECT_EQ(s.eval.added[6].mode, KV_EVAL_MATRIX);
    EXPECT_EQ(links.points()[1].worldMatrix.evalIndex, 6u);
    EXPECT_EQ(links.views().size(), 2u);
    EXPECT_EQ(s.camera.refs, 1);  // the camera is not held after linking

    // Linking again rebuilds the points rather than adding to them.
    s.eval.added.clear();
    links.link(s.eval.ptr(), s.material.ptr());
    EXPECT_EQ(links.points().size(), 2u);
    EXPECT_EQ(s.locatorA.refs, 2);

    // Without a camera: unlinked, and the read gives the lens defaults.
    s.scene.camera = nullptr;
    s.eval.added.clear();
    links.link(s.eval.ptr(), s.material.ptr());
    EXPECT_FALSE(links.cameraLinked());
    EXPECT_EQ(links.cameraLink(kCamFocusDist).index, kUnlinked);
    EXPECT_EQ(s.eval.added.size(), 2u);
    s.PlaceLocator(0, 1, 0.5, 0);
    CKvUser_Attributes attr(s.attr.ptr());
    const CameraLens lens = links.read(attr);
    EXPECT_EQ(lens.focalLen, -1.0f);
    EXPECT_EQ(lens.focusDist, 1.0f);
    EXPECT_EQ(links.frame().screenScaleX, 1.0f);
    EXPECT_EQ(links.points()[0].position[0], 1.0);  // read, but not projected
    EXPECT_EQ(links.views()[0].screenX, 0.0);

    // A camera without one of its channels fails the link with the host's code.
    s.scene.camera = &s.camera;
    s.camera.channels.erase("apertureY");
    EXPECT_THROW(
        try { links.link(s.eval.ptr(), s.material.ptr()); } catch (unsigned code) {
            EXPECT_EQ(code, static_cast<unsigned>(KV_E_NOTFOUND));
            throw;
        },
        unsigned);
}

TEST(PatternLinks, ReadProjectsLocatorsInPerspective) {
    LinkedScene s;
    PatternLinks links;
    links.link(s.eval.ptr(), s.material.ptr());
    s.SetLens();
    s.PlaceLocator(5, 1.0, 0.5, 0.0);   // 10 in front of the camera
    s.PlaceLocator(6, 1.0, 0.5, 10.0);  // twice as far
    CKvUser_Attributes attr(s.attr.ptr());
    const CameraLens lens = links.read(attr);
    EXPECT_FLOAT_EQ(lens.focalLen, 0.05f);
    EXPECT_FLOAT_EQ(lens.focusDist, 5.0f);
    EXPECT_FLOAT_EQ(links.frame().screenScaleX, 0.36f);
    EXPECT_FLOAT_EQ(links.frame().screenScaleY, 0.24f);
    EXPECT_DOUBLE_EQ(links.frame().viewTranslation[2], 10.0);
    EXPECT_DOUBLE_EQ(links.frame().viewAxis[2], 1.0);

    const double sx = static_cast<double>(0.36f);
    const double aspect = 0.5 * (static_cast<double>(0.024f) / static_cast<double>(0.036f) - 1.0);
    const LocatorView& near = links.views()[0];
    const LocatorView& far = links.views()[1];
    EXPECT_NEAR(near.screenX, 1.0 / (2 * sx * 10), 1e-6);
    EXPECT_NEAR(near.screenY, 0.5 / (2 * sx * 10) + aspect, 1e-6);
    EXPECT_DOUBLE_EQ(near.depth, 10.0);
    EXPECT_DOUBLE_EQ(far.depth, 20.0);
    EXPECT_NEAR(far.screenX, near.screenX / 2, 1e-9);  // twice as far: half the offset
    EXPECT_NEAR(far.screenY - aspect, (near.screenY - aspect) / 2, 1e-9);

    // A locator behind the camera, or a focal length of 0, is not projected.
    s.PlaceLocator(6, 1.0, 0.5, -20.0);
    links.read(attr);
    EXPECT_DOUBLE_EQ(links.views()[1].depth, 20.0);
    s.attr.floats[3] = 0.0;
    s.PlaceLocator(5, 3.0, 0.5, 0.0);
    links.read(attr);
    EXPECT_NEAR(links.views()[0].screenX, 1.0 / (2 * sx * 10), 1e-6);
    EXPECT_EQ(links.frame().screenScaleX, 1.0f);
}

void ExpectSameFrame(const CameraFrame& a, const CameraFrame& b) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(a.rotation[r][c], b.rotation[r][c]);
            EXPECT_EQ(a.viewRotation[r][c], b.viewRotation[r][c]);
        }
        EXPECT_EQ(a.viewTranslation[r], b.viewTranslation[r]);
        EXPECT_EQ(a.viewAxis[r], b.viewAxis[r]);
    }
}

void ExpectSameViews(const std::vector<LocatorView>& a, const std::vector<LocatorView>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].screenX, b[i].screenX) << i;
        EXPECT_EQ(a[i].screenY, b[i].screenY) << i;
        EXPECT_EQ(a[i].depth, b[i].depth) << i;
    }
}

// A scene whose scaled camera (its axis still unit) and two locators, at
// x = 1 and x = -1, have been linked and read with the given answers.
struct ScaledScene : LinkedScene {
    PatternLinks links;
    explicit ScaledScene(fake::Answers answers) {
        links.link(eval.ptr(), material.ptr());
        const double scaled[9] = {2, 0, 0, 0, 2, 0, 0, 0, 2};
        SetLens(scaled);
        PlaceLocator(5, 1.0, 0.5, 0.0);
        PlaceLocator(6, -1.0, 0.5, 0.0);
        Read(answers);
    }
    void Read(fake::Answers answers) {
        for (auto& [index, m] : attr.matrices) m.answers = answers;
        CKvUser_Attributes reader(attr.ptr());
        links.read(reader);
    }
};

// Matrix slots promise data, not a code: a failing code with the data reads
// as the data; success with nothing written, a matrix that cannot be
// inverted, or no matrix at all keeps the last frame and positions.
TEST(PatternLinks, MatrixAnswersAreJudgedByTheirData) {
    ScaledScene s(fake::Answers::Honest);
    const CameraFrame honest = s.links.frame();
    const std::vector<LocatorView> honestViews = s.links.views();
    EXPECT_DOUBLE_EQ(honest.viewAxis[2], 1.0);
    EXPECT_DOUBLE_EQ(honest.viewRotation[0][0], 0.5);
    EXPECT_DOUBLE_EQ(honest.viewTranslation[2], 5.0);
    EXPECT_GT(honestViews[0].screenX, 0.0);
    {
        const ScaledScene failing(fake::Answers::FailingWithData);
        ExpectSameFrame(failing.links.frame(), honest);
        ExpectSameViews(failing.links.views(), honestViews);
    }

    // The camera turns and the locators move, but nothing is written.
    const double turned[9] = {0, 0, 1, 0, 1, 0, -1, 0, 0};
    s.SetLens(turned);
    s.PlaceLocator(5, 3.0, 0.5, 0.0);
    s.PlaceLocator(6, -3.0, 0.5, 0.0);
    s.Read(fake::Answers::SucceedingWithNothing);
    ExpectSameFrame(s.links.frame(), honest);
    ExpectSameViews(s.links.views(), honestViews);
    EXPECT_EQ(s.links.points()[1].position[0], -1.0);

    // A camera that cannot be inverted keeps the frame; the locators are
    // read and projected through it. A locator without a matrix keeps its place.
    const double singular[9] = {0, 0, 0, 0, 1, 0, 0, 0, 1};
    s.SetLens(singular);
    s.PlaceLocator(6, -1.0, 0.5, 10.0);
    s.attr.matrices.erase(5);
    s.Read(fake::Answers::Honest);
    ExpectSameFrame(s.links.frame(), honest);
    EXPECT_EQ(s.links.points()[0].position[0], 1.0);
    EXPECT_DOUBLE_EQ(s.links.views()[0].screenX, honestViews[0].screenX);
    EXPECT_DOUBLE_EQ(s.links.views()[1].depth, 10.0);

    s.attr.matrices.erase(4);  // no camera matrix at all
    s.Read(fake::Answers::Honest);
    ExpectSameFrame(s.links.frame(), honest);
}

using Rows = std::array<double, 16>;  // a 4x4 matrix, row by row

// The camera's world matrix and the inverse the host answers are planted
// and read: whether the frame was taken from them.
bool FrameTaken(LinkedScene& s, PatternLinks& links, const Rows& world, const Rows& inverse) {
    fake::Matrix& camera = s.attr.matrices[4];
    camera.m = world;
    camera.inverse = inverse;
    CKvUser_Attributes attr(s.attr.ptr());
    links.read(attr);
    const CameraFrame& f = links.frame();
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            if (f.viewRotation[r][c] != inverse[r * 4 + c]) return false;
        if (f.viewTranslation[r] != inverse[12 + r]) return false;
    }
    return true;
}

// An inverse is taken when each entry of R'·R and t·R' + t' lies within 1 %
// of the sizes of what it is made of, and refused beyond; answers off by a
// whole unit stay refused however large the camera's axes.
TEST(PatternLinks, InversesAreJudgedRelativeToTheirSizes) {
    LinkedScene s;
    PatternLinks links;
    links.link(s.eval.ptr(), s.material.ptr());
    s.SetLens();
    const double eye[3] = {0, 0, -10};
    auto taken = [&](const double r[9], const double rInv[9], const double tInv[3]) {
        return FrameTaken(s, links, fake::Matrix::Frame(r, eye).m, fake::Matrix::Frame(rInv, tInv).m);
    };

    // Scaled by 0.01: R'·R's first entry off by 0.9 % and by 1.1 %.
    const double small[9] = {0.01, 0, 0, 0, 0.01, 0, 0, 0, 0.01};
    const double toSmall[3] = {0, 0, 1000};
    const double smallOff[2][9] = {{100 * 1.009, 0, 0, 0, 100, 0, 0, 0, 100}, {100 * 1.011, 0, 0, 0, 100, 0, 0, 0, 100}};
    EXPECT_TRUE(taken(small, smallOff[0], toSmall));
    EXPECT_FALSE(taken(small, smallOff[1], toSmall));

    // Stretched along z: the bound follows the row of R' and the column of R,
    // so a miss of 0.9e-4 against sizes 0.01 x 1 is taken and 1.1e-4 not,
    // while one of 0.9 against sizes 1 x 100 is taken and 1.1 not.
    const double deep[9] = {1, 0, 0, 0, 1, 0, 0, 0, 100};
    const double toDeep[3] = {0, 0, 0.1};
    const double deepOff[4][9] = {{1, 0, 0, 0, 1, 0, 0.9e-4, 0, 0.01},
                                  {1, 0, 0, 0, 1, 0, 1.1e-4, 0, 0.01},
                                  {1, 0, 0.009, 0, 1, 0, 0, 0, 0.01},
                                  {1, 0, 0.011, 0, 1, 0, 0, 0, 0.01}};
    EXPECT_TRUE(taken(deep, deepOff[0], toDeep));
    EXPECT_FALSE(taken(deep, deepOff[1], toDeep));
    EXPECT_TRUE(taken(deep, deepOff[2], toDeep));
    EXPECT_FALSE(taken(deep, deepOff[3], toDeep));

    // t' misses by 0.19 and by 0.21 against sizes |t| |R'| + |t'| of about 20.
    const double unit[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const double near[3] = {0, 0, 10.19}, far[3] = {0, 0, 10.21};
    EXPECT_TRUE(taken(unit, unit, near));
    EXPECT_FALSE(taken(unit, unit, far));

    // Not inverted (the answer is the matrix itself), large or singular.
    const double large[9] = {100, 0, 0, 0, 100, 0, 0, 0, 100};
    const double flat[9] = {0, 0, 0, 0, 0, 0, 1000, 0, 0};
    EXPECT_FALSE(taken(large, large, eye));
    EXPECT_FALSE(taken(flat, flat, eye));
    EXPECT_DOUBLE_EQ(links.frame().viewTranslation[2], 10.19);  // kept from the last frame taken
}

#ifdef KV_HOST_MATRIX
// Cameras of a host that inverts its matrices in float, as the stand-in host
// does on request: far from the origin, upright and aimed near it, and
// scaled by 0.01. Their inverses miss R'·R = I by up to about 1e-3; every
// frame is taken.
TEST(PatternLinks, FramesInvertedInFloatAreTaken) {
    LinkedScene s;
    PatternLinks links;
    links.link(s.eval.ptr(), s.material.ptr());
    s.SetLens();
    std::mt19937 random(27);
    std::uniform_real_distribution<double> unit(-1.0, 1.0), angle(-180.0, 180.0);
    auto turned = [&](const double eye[3], double scale) {
        const double degrees[3] = {angle(random), angle(random), angle(random)};
        kvh::Mat4 m = kvh::Mat4::FromEulerDegrees(eye, degrees);
        for (int i = 0; i < 12; ++i) m.m[i] *= scale;
        return m;
    };
    const char* kinds[3] = {"far", "upright", "scaled"};
    for (int kind = 0; kind < 3; ++kind) {
        int refused = 0;
        for (int n = 0; n < 2000; ++n) {
            kvh::Mat4 world;
            if (kind == 0) {
                double eye[3] = {unit(random), unit(random), unit(random)};
                const double length = std::hypot(eye[0], eye[1], eye[2]);
                for (double& e : eye) e *= 1e4 / length;
                world = turned(eye, 1.0);
            } else if (kind == 1) {
                const double eye[3] = {1e3 * unit(random), 1e3 * unit(random), 1e3 * unit(random)};
                const double target[3] = {unit(random), unit(random), unit(random)}, up[3] = {0, 1, 0};
                ASSERT_TRUE(kvh::Mat4::LookAt(eye, target, up, &world));
            } else {
                const double eye[3] = {1e2 * unit(random), 1e2 * unit(random), 1e2 * unit(random)};
                world = turned(eye, 0.01);
            }
            kvh::Mat4 inverse = world;
            ASSERT_TRUE(inverse.InvertInFloat());
            if (!FrameTaken(s, links, world.m, inverse.m)) ++refused;
        }
        EXPECT_EQ(refused, 0) << kinds[kind];
    }
}
#endif

}  // namespace
