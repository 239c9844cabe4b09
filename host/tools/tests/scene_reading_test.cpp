// Hostile scene files through kvrender: no crash, a message with the key
// path (or the file and line) and exit code 1.
#include "kvrender_command.h"

#include <unistd.h>

#include <cmath>
#include <ctime>
#include <fstream>

#include <nlohmann/json.hpp>

#include "core/input_file.h"
#include "core/scene_file.h"
#include "obj_mesh.h"

namespace {

using kvt::test::CommandResult;
using kvt::test::Ending;
using kvt::test::kvrender;
using kvt::test::slurp;
using kvt::test::tempPath;
using kvt::test::writeScene;
using nlohmann::json;

// A scene without plug-ins: one sphere under one light, seen by the camera.
json plainScene() {
    return json::parse(R"({
        "camera": {"position": [0, 0, 5], "target": [0, 0, 0]},
        "objects": [{"shape": "sphere"}],
        "lights": [{"type": "point", "position": [2, 3, 4]}],
        "items": [{"name": "spot", "type": "locator", "position": [1, 1, 1]}],
        "render": {"width": 8, "height": 8, "spp": 1}})");
}

CommandResult renderScene(const json& scene) {
    return kvrender("'" + writeScene("reading.json", scene.dump()) + "' -o '" + tempPath("reading.png") + "' --quiet");
}

TEST(SceneReading, RefusesDeepNestingBeforeBuildingIt) {
    const std::string deep = tempPath("deep.json");
    {
        std::ofstream out(deep);
        out << std::string(150000, '[') << std::string(150000, ']');
    }
    CommandResult r = kvrender("'" + deep + "' -o '" + tempPath("deep.png") + "' --quiet");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("deep.json: scene: nested deeper than 64 levels"), std::string::npos) << r.err;

    // The bound itself: 64 levels are read (and refused for their shape), 65 are not.
    json nested = json::array();
    for (int level = 1; level < 64; ++level) nested = json::array({nested});
    EXPECT_FALSE(kvh::NestedDeeperThan(nested, 64));
    EXPECT_TRUE(kvh::NestedDeeperThan(json::array({nested}), 64));
    r = renderScene(nested);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("scene: expected an object"), std::string::npos) << r.err;
}

TEST(SceneReading, RefusesCoordinatesBeyondWhatTheTracerHandles) {
    struct Case {
        const char* pointer;
        json value;
        const char* message;
    } cases[] = {
        {"/camera/position", {2e18, 3.2, 7.5}, "camera.position[0]: beyond the coordinate bound of 1e15"},
        {"/camera/target", {0, -2e18, 0}, "camera.target[1]: beyond the coordinate bound"},
        {"/objects/0/position", {0, 0, 1e16}, "objects[0].position[2]: beyond the coordinate bound"},
        {"/objects/0/scale", 2e15, "objects[0].scale: beyond the coordinate bound"},
        {"/lights/0/position", {1e29, 0, 0}, "lights[0].position[0]: beyond the coordinate bound"},
        {"/items/0/position", {0, 1e20, 0}, "items[0].position[1]: beyond the coordinate bound"},
    };
    for (const Case& c : cases) {
        json scene = plainScene();
        scene[json::json_pointer(c.pointer)] = c.value;
        CommandResult r = renderScene(scene);
        EXPECT_EQ(r.status, 1) << c.pointer << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.pointer << ": " << r.err;
    }
    // Each value within the bound, the vertices beyond it together.
    json far = plainScene();
    far["objects"][0]["position"] = {9e14, 0, 0};
    far["objects"][0]["scale"] = 9e14;
    CommandResult r = renderScene(far);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("objects[0]: reaches beyond the coordinate bound"), std::string::npos) << r.err;
    // The bound itself renders.
    json edge = plainScene();
    edge["camera"]["position"] = {1e15, 0, 0};
    edge["objects"][0]["scale"] = 1e13;
    r = renderScene(edge);
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST(SceneReading, RefusesObjNumbersThatAreNotFiniteWithTheirLine) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"v 0 0 0\nv 1 0 0\nv 0 nan 0\nf 1 2 3\n", "line 3: 'nan' is not a finite number"},
        {"v 0 0 0\nv 1e39 0 0\nv 0 1 0\nf 1 2 3\n", "line 2: '1e39' is not a finite number"},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 inf\nf 1//1 2//1 3//1\n", "line 4: 'inf' is not a finite number"},
        {"# far\nv 0 0 0\nv 2e15 0 0\nv 0 1 0\nf 1 2 3\n", "line 3: '2e15' lies beyond the coordinate bound"},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 x\nf 1 2 3\n", "line 4: 'x' is not a number"},
    };
    for (const Case& c : cases) {
        const std::string path = writeScene("bad.obj", c.text);
        kvr::TriangleMesh mesh;
        std::string error;
        EXPECT_FALSE(kvr::loadObjMesh(path, mesh, error)) << c.text;
        EXPECT_NE(error.find("OBJ file '" + path + "', " + c.message), std::string::npos) << error;
    }
    // Comments after the numbers are no numbers.
    const std::string good = writeScene("good.obj", "v 0 0 0 # origin\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    kvr::TriangleMesh mesh;
    std::string error;
    EXPECT_TRUE(kvr::loadObjMesh(good, mesh, error)) << error;
    EXPECT_EQ(mesh.triangleCount(), 1u);
    // Through a scene: the object's key path, then the file and line.
    json scene = plainScene();
    scene["objects"][0] = {{"shape", "obj"}, {"file", writeScene("nan.obj", cases[0].text)}};
    CommandResult r = renderScene(scene);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("objects[0].file: OBJ file"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 3: 'nan' is not a finite number"), std::string::npos) << r.err;
}

TEST(SceneReading, TakesTimeLinearInTheLengthOfTheFile) {
    // 400,000 empty objects (1.2 MB): a parse that walked the enclosing array
    // each time an object closed took 37 s for them; read once, it takes a
    // fraction of a second, also under the sanitizers. The bound is wide so
    // that a busy machine never trips it.
    const std::string path = tempPath("many-objects.json");
    {
        std::ofstream out(path);
        out << "{\"objects\": [], \"padding\": [{}";
        for (int i = 1; i < 400000; ++i) out << ",{}";
        out << "]}";
    }
    nlohmann::json doc;
    kvh::HostError err;
    const std::clock_t start = std::clock();
    ASSERT_TRUE(kvh::ReadSceneDocument(path, &doc, &err)) << err.message;
    const double seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
    EXPECT_EQ(doc["padding"].size(), 400000u);
    EXPECT_LT(seconds, 10.0) << "reading is not linear in the file";
    std::remove(path.c_str());
}

TEST(SceneReading, AFileLargerThanTheMemoryLimitIsRefused) {
    // Under --max-memory 1 a scene file may hold 1 MiB: padded to that it
    // renders, and one byte more is refused by its size, before it is read.
    const std::string text = plainScene().dump();
    for (size_t size : {size_t(1) << 20, (size_t(1) << 20) + 1}) {
        const std::string path = writeScene("padded.json", text + std::string(size - text.size(), ' '));
        CommandResult r = kvrender("'" + path + "' -o '" + tempPath("padded.png") + "' --quiet --max-memory 1");
        if (size == 1u << 20) {
            EXPECT_EQ(r.status, 0) << r.err;
            continue;
        }
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "kvrender: " + path + ": the scene file of 1048577 bytes is larger than the memory limit of "
                                               "1.0 MiB (--max-memory raises it)\n");
    }
    // A file that grows while it is read (here a pipe holding more than the
    // file's size said) is read no further than the limit.
    for (size_t size : {10000, 10001}) {
        int pipeEnds[2];
        ASSERT_EQ(pipe(pipeEnds), 0);
        const std::string bytes(size, 'x');
        ASSERT_EQ(write(pipeEnds[1], bytes.data(), size), ssize_t(size));
        close(pipeEnds[1]);
        std::string read;
        EXPECT_EQ(kvh::ReadUpTo(pipeEnds[0], 10000, 100, read),
                  size == 10000 ? kvh::ReadUpToResult::Whole : kvh::ReadUpToResult::Beyond);
        EXPECT_EQ(read, size == 10000 ? bytes : "");
        close(pipeEnds[0]);
    }
}

TEST(SceneReading, NamesANumberOutOfRangeWithItsLineAndColumn) {
    const std::string path = writeScene("huge-number.json",
                                        "{\"camera\": {},\n"
                                        "  \"objects\": [{\"shape\": \"sphere\",\n"
                                        "               \"position\": [0, -1e999, 0]}]}\n");
    CommandResult r = kvrender("'" + path + "' -o '" + tempPath("huge.png") + "' --quiet");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(path + ": line 3, column 32: number out of range ('-1e999' is beyond what a double holds)"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("internal error"), std::string::npos) << r.err;
}

TEST(SceneReading, ALightDirectionOfAnyFiniteLengthLightsAsItsUnitVector) {
    // Long and short ones leave float (and its squared length leaves double
    // beyond 1e154): the unit vector is taken in double, scaled first.
    auto lit = [](const json& direction) {
        json scene = plainScene();
        scene["lights"] = {{{"type", "distant"}, {"direction", direction}}};
        scene["render"] = {{"width", 48}, {"height", 32}, {"spp", 1}};
        const std::string pfm = tempPath("light.pfm");
        CommandResult r = kvrender("'" + writeScene("light.json", scene.dump()) + "' -o /dev/null --quiet --dump-float '" +
                                   pfm + "'");
        EXPECT_EQ(r.status, 0) << direction << ": " << r.err;
        return slurp(pfm);
    };
    const double unit = std::sqrt(1 + 0.8 * 0.8 + 0.35 * 0.35);
    const std::string expected = lit({-1 / unit, -0.8 / unit, -0.35 / unit});
    ASSERT_FALSE(expected.empty());
    for (double length : {1e-300, 1e-45, 1e-30, 1.0, 1e30, 1e38, 1e300})
        EXPECT_TRUE(lit({-length, -0.8 * length, -0.35 * length}) == expected) << length << " lights otherwise";

    struct Case {
        const char* direction;
        const char* message;
    } refused[] = {
        {"[0, 0, 0]", "lights[0].direction: must not be zero"},
        {"[0, -1e-301, 0]", "lights[0].direction: too short: its largest component must be at least 1e-300"},
        {"[0, -1e999, 0]", "out of range"},
        {"[0, \"down\", 0]", "lights[0].direction[1]: expected a number"},
    };
    for (const Case& c : refused) {
        json scene = plainScene();
        scene["lights"] = {{{"type", "distant"}, {"direction", "@"}}};
        std::string text = scene.dump();
        text.replace(text.find("\"@\""), 3, c.direction);  // as written, which json cannot hold
        CommandResult r = kvrender("'" + writeScene("light.json", text) + "' -o '" + tempPath("light.png") + "' --quiet");
        EXPECT_EQ(r.status, 1) << c.direction;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.direction << ": " << r.err;
    }
}

TEST(SceneReading, RefusesObjFaceIndicesNamingNothingWithTheirLine) {
    const std::string corners = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n";
    struct Case {
        std::string faces, message;
    } cases[] = {
        // The reader would wrap this round to 3 and draw the wrong triangle.
        {"f 1 2 4294967299\n", "line 6: '4294967299' is out of range (the file has 3 vertices)"},
        {"f 1 2 99999999999999999999999\n", "line 6: '99999999999999999999999' is out of range"},
        {"f 1 2 4\n", "line 6: '4' is out of range (the file has 3 vertices)"},
        {"f 0 1 2\n", "line 6: '0' is out of range"},
        {"f -1 -2 -4\n", "line 6: '-4' is out of range (the file has 3 vertices)"},
        {"f 1/1 2/2 3/1\n", "line 6: '2' is out of range (the file has 1 texture coordinates)"},
        {"# normals\nf 1//1 2//1 3//-2\n", "line 7: '-2' is out of range (the file has 1 normals)"},
        {"f 1 2 x\n", "line 6: 'x' is not a face index"},
        {"f 1 2 3/1/1/1\n", "line 6: '3/1/1/1' is not a face corner"},
    };
    for (const Case& c : cases) {
        const std::string path = writeScene("faces.obj", corners + c.faces);
        kvr::TriangleMesh mesh;
        std::string error;
        EXPECT_FALSE(kvr::loadObjMesh(path, mesh, error)) << c.faces;
        EXPECT_NE(error.find("OBJ file '" + path + "', " + c.message), std::string::npos) << c.faces << error;
    }
    // Indices counted back from the last element, and an element further down the file.
    const std::string good = writeScene("faces.obj", corners + "f -3/1/1 -2/1/1 -1/-1/-1\nf 1 2 4\nv 1 1 0\n");
    kvr::TriangleMesh mesh;
    std::string error;
    EXPECT_TRUE(kvr::loadObjMesh(good, mesh, error)) << error;
    EXPECT_EQ(mesh.triangleCount(), 2u);
}

// `count` objects of `shape` in a row; a torus per object when `distinct`.
json manyObjects(int count, const char* shape, bool distinct = false) {
    json scene = plainScene();
    json& objects = scene["objects"] = json::array();
    for (int i = 0; i < count; ++i) {
        objects.push_back({{"shape", shape}, {"position", {i % 100 - 50, i / 100 % 100 - 50, -i / 10000}}});
        if (distinct) objects.back()["minorRadius"] = 0.1 + i * 1e-6;
    }
    return scene;
}

TEST(SceneGeometry, IsEstimatedBeforeAnyMeshIsBuilt) {
    // A hundred tori of one shape share its mesh: well under a megabyte.
    CommandResult shared = kvrender("'" + writeScene("tori.json", manyObjects(100, "torus").dump()) + "' -o '" +
                                    tempPath("tori.png") + "' --quiet --max-memory 1");
    EXPECT_EQ(shared.status, 0) << shared.err;
    // 20,000 tori of their own shapes (2 MB of scene) would take 8 GiB: the
    // refusal comes before any mesh is made, in the memory that reading the
    // scene takes. Made first, they took 2 GB.
    json tori = manyObjects(20000, "torus", true);
    const std::string path = writeScene("tori.json", tori.dump());
    kvt::test::Ending refused = kvt::test::runLimited({path, "-o", tempPath("tori.png"), "--max-memory", "64"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.err.find("tori.json: objects: the geometry of 20000 objects needs "), std::string::npos)
        << refused.err;
    EXPECT_NE(refused.err.find("GiB, more than the memory limit of 64 MiB (--max-memory raises it)"),
              std::string::npos)
        << refused.err;
    // The scene of one shared shape, refused for its last object: what
    // reading it takes.
    for (json& o : tori["objects"]) o["shape"] = "sphere";
    tori["objects"].back()["shape"] = "cone";
    const Ending read = kvt::test::runLimited({writeScene("cone.json", tori.dump()), "-o", tempPath("tori.png")});
    EXPECT_NE(read.err.find("objects[19999].shape: unknown shape 'cone'"), std::string::npos) << read.err;
    EXPECT_LT(refused.peakKiB, read.peakKiB * 3 / 2 + 16 * 1024) << "meshes made before the refusal";
}

TEST(SceneGeometry, ASphereCostsWhatItNeedsAndRunningOutOfMemoryIsAMessage) {
    // Sanitizers reserve more address space than the limit allows.
    if (kvt::test::sanitizedBuild()) GTEST_SKIP() << "address-space limit under a sanitizer";
    const std::string limit = "ulimit -v 1500000; ";
    // 100,000 spheres took 39 GB, a mesh of their own each.
    CommandResult spheres = kvrender("'" + writeScene("spheres.json", manyObjects(100000, "sphere").dump()) +
                                         "' -o '" + tempPath("spheres.png") + "' --quiet",
                                     limit);
    EXPECT_EQ(spheres.status, 0) << spheres.err;
    // Shapes of their own, admitted by a raised estimate, exhaust the address
    // space while they are made: a message, not an abort.
    CommandResult tori = kvrender("'" + writeScene("tori.json", manyObjects(20000, "torus", true).dump()) + "' -o '" +
                                      tempPath("tori.png") + "' --quiet --max-memory 1048576",
                                  limit);
    EXPECT_EQ(tori.status, 1) << tori.err;
    EXPECT_NE(tori.err.find("tori.json: objects"), std::string::npos) << tori.err;
    EXPECT_NE(tori.err.find(": out of memory building "), std::string::npos) << tori.err;
    // A document larger than memory (15 million numbers, 240 MB once read)
    // goes without the allocations of its own destructor.
    const std::string numbers = tempPath("numbers.json");
    {
        std::ofstream out(numbers);
        out << "{\"objects\": [0";
        for (int i = 1; i < 15000000; ++i) out << ",0";
        out << "]}";
    }
    CommandResult document = kvrender("'" + numbers + "' -o '" + tempPath("numbers.png") + "' --quiet",
                                      "ulimit -v 400000; ");
    EXPECT_EQ(document.status, 1) << document.err;
    EXPECT_NE(document.err.find("numbers.json: out of memory reading the scene file"), std::string::npos)
        << document.err;
    std::remove(numbers.c_str());
}

}  // namespace
