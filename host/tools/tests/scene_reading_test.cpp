// Hostile scene files through kvrender: no crash, a message with the key
// path (or the file and line) and exit code 1.
#include "kvrender_command.h"

#include <nlohmann/json.hpp>

#include "core/scene_file.h"
#include "obj_mesh.h"

namespace {

using kvt::test::CommandResult;
using kvt::test::kvrender;
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

}  // namespace
