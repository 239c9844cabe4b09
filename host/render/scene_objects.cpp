#include "scene_objects.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <memory>
#include <new>
#include <stdexcept>
#include <unordered_map>

#include "core/input_file.h"
#include "core/memory_limit.h"
#include "core/scene_file.h"
#include "obj_mesh.h"
#include "primitives.h"

namespace kvr {

namespace {

using nlohmann::json;

struct SceneError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& path, const std::string& what) { throw SceneError(path + ": " + what); }

float number(const json& j, const std::string& path) {
    if (!j.is_number()) fail(path, "expected a number");
    double v = j.get<double>();
    if (!std::isfinite(v) || std::fabs(v) > 1e30) fail(path, "number out of range");
    return static_cast<float>(v);
}

float nonNegative(const json& j, const std::string& path) {
    float v = number(j, path);
    if (v < 0) fail(path, "must not be negative");
    return v;
}

Vec3 triple(const json& j, const std::string& path) {
    if (!j.is_array() || j.size() != 3) fail(path, "expected an array of 3 numbers");
    return {number(j[0], path + "[0]"), number(j[1], path + "[1]"), number(j[2], path + "[2]")};
}

// A coordinate or size: within the bound the ray tracer handles.
float coordinate(const json& j, const std::string& path) {
    float v = number(j, path);
    if (std::fabs(v) > kvh::kMaxCoordinate) fail(path, kvh::CoordinateBoundMessage());
    return v;
}

Vec3 point(const json& j, const std::string& path) {
    if (!j.is_array() || j.size() != 3) fail(path, "expected an array of 3 numbers");
    return {coordinate(j[0], path + "[0]"), coordinate(j[1], path + "[1]"), coordinate(j[2], path + "[2]")};
}

// A direction of any finite length, as its unit vector: taken in double and
// scaled by its largest component before its length is taken, so that
// neither a long nor a short one leaves the range. Below the smallest normal
// double the number read is no longer the number written.
Vec3 unitDirection(const json& j, const std::string& path) {
    if (!j.is_array() || j.size() != 3) fail(path, "expected an array of 3 numbers");
    double d[3], largest = 0;
    for (int k = 0; k < 3; ++k) {
        if (!j[k].is_number()) fail(path + "[" + std::to_string(k) + "]", "expected a number");
        d[k] = j[k].get<double>();
        if (!std::isfinite(d[k])) fail(path + "[" + std::to_string(k) + "]", "not a finite number");
        largest = std::max(largest, std::fabs(d[k]));
    }
    if (largest == 0) fail(path, "must not be zero");
    if (largest < 1e-300) fail(path, "too short: its largest component must be at least 1e-300 in magnitude");
    for (double& c : d) c /= largest;
    const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    return {float(d[0] / length), float(d[1] / length), float(d[2] / length)};
}

// One mesh per shape (and per OBJ file), shared by every object of that shape.
struct Shape {
    enum class Kind { Plane, Sphere, Cube, Cylinder, Torus, Obj } kind = Kind::Plane;
    float minorRadius = 0;  // torus
    MeshSize size;          // known before the mesh is made
    std::shared_ptr<TriangleMesh> mesh;  // null until made
    Vec3 lo, hi;                         // object-space bounds, once made
};

// The shapes the objects name. A built-in shape's mesh is made only once
// every object is read and the geometry is estimated from the sizes; an OBJ
// file is read (estimated from its lines first) when it is named.
class ShapeLibrary {
public:
    explicit ShapeLibrary(uint64_t memoryLimit) : memoryLimit_(memoryLimit) {}
    // The index of the shape `key`, declared the first time.
    uint32_t declare(const std::string& key, Shape::Kind kind, MeshSize size, float minorRadius = 0) {
        auto [it, added] = index_.emplace(key, uint32_t(shapes_.size()));
        if (added) shapes_.push_back({kind, minorRadius, size, nullptr, {}, {}});
        return it->second;
    }
    // The index of the OBJ file's shape, read by `read(mesh)` the first time.
    template <class Read>
    uint32_t obj(const std::string& key, Read read) {
        auto found = index_.find(key);
        if (found != index_.end()) return found->second;
        auto mesh = std::make_shared<TriangleMesh>();
        read(*mesh);
        const uint32_t i = declare(key, Shape::Kind::Obj, mesh->size());
        shapes_[i].mesh = std::move(mesh);
        return i;
    }
    // Makes every mesh not made yet, and finds the bounds of each.
    void makeAll() {
        for (Shape& shape : shapes_) {
            if (!shape.mesh) shape.mesh = std::make_shared<TriangleMesh>(make(shape));
            const TriangleMesh& m = *shape.mesh;
            shape.lo = shape.hi = m.positions.empty() ? Vec3{} : m.positions[0];
            for (const Vec3& p : m.positions) {
                shape.lo = {std::fmin(shape.lo.x, p.x), std::fmin(shape.lo.y, p.y), std::fmin(shape.lo.z, p.z)};
                shape.hi = {std::fmax(shape.hi.x, p.x), std::fmax(shape.hi.y, p.y), std::fmax(shape.hi.z, p.z)};
            }
        }
    }
    std::vector<MeshSize> sizes() const {
        std::vector<MeshSize> out;
        out.reserve(shapes_.size());
        for (const Shape& shape : shapes_) out.push_back(shape.size);
        return out;
    }
    const Shape& operator[](uint32_t i) const { return shapes_[i]; }
    uint64_t memoryLimit() const { return memoryLimit_; }

private:
    static TriangleMesh make(const Shape& shape) {
        switch (shape.kind) {
            case Shape::Kind::Sphere: return makeSphere();
            case Shape::Kind::Cube: return makeCube();
            case Shape::Kind::Cylinder: return makeCylinder();
            case Shape::Kind::Torus: return makeTorus(shape.minorRadius);
            default: return makePlane();  // an OBJ file's mesh is read when it is named
        }
    }

    std::unordered_map<std::string, uint32_t> index_;
    std::vector<Shape> shapes_;
    uint64_t memoryLimit_;
};

bool withinBound(Vec3 p) {
    return std::fabs(p.x) <= kvh::kMaxCoordinate && std::fabs(p.y) <= kvh::kMaxCoordinate &&
           std::fabs(p.z) <= kvh::kMaxCoordinate;
}

// Whether every vertex of the shape, placed, lies within the coordinate bound:
// the corners of its bounds first, and only when one is beyond, each vertex.
bool withinBound(const Shape& shape, const AffineMap& toWorld) {
    bool corners = true;
    for (int c = 0; c < 8; ++c)
        corners = corners && withinBound(toWorld.point({c & 1 ? shape.hi.x : shape.lo.x,
                                                        c & 2 ? shape.hi.y : shape.lo.y,
                                                        c & 4 ? shape.hi.z : shape.lo.z}));
    if (corners) return true;
    for (const Vec3& p : shape.mesh->positions)
        if (!withinBound(toWorld.point(p))) return false;
    return true;
}

uint32_t count(const json& j, const std::string& path, uint32_t lo, uint32_t hi) {
    if (!j.is_number_integer()) fail(path, "expected an integer");
    long long v = j.get<long long>();
    if (v < lo || v > hi) fail(path, "must be from " + std::to_string(lo) + " to " + std::to_string(hi));
    return static_cast<uint32_t>(v);
}

void checkKeys(const json& j, const std::string& path, std::initializer_list<const char*> known) {
    if (!j.is_object()) fail(path, "expected an object");
    for (auto it = j.begin(); it != j.end(); ++it) {
        bool ok = false;
        for (const char* k : known) ok = ok || it.key() == k;
        if (!ok) fail(path + "." + it.key(), "unknown key");
    }
}

HostSurface parseSurface(const json& j, const std::string& path) {
    checkKeys(j, path, {"diffuse", "diffuseAmount", "specular", "specularAmount", "specularExponent", "reflection",
                        "reflectionAmount", "transparency"});
    HostSurface s;
    if (j.contains("diffuse")) s.diffuse = triple(j["diffuse"], path + ".diffuse");
    if (j.contains("diffuseAmount")) s.diffuseAmount = nonNegative(j["diffuseAmount"], path + ".diffuseAmount");
    if (j.contains("specular")) s.specular = triple(j["specular"], path + ".specular");
    if (j.contains("specularAmount")) s.specularAmount = nonNegative(j["specularAmount"], path + ".specularAmount");
    if (j.contains("specularExponent"))
        s.specularExponent = nonNegative(j["specularExponent"], path + ".specularExponent");
    if (j.contains("reflection")) s.reflection = triple(j["reflection"], path + ".reflection");
    if (j.contains("reflectionAmount"))
        s.reflectionAmount = nonNegative(j["reflectionAmount"], path + ".reflectionAmount");
    if (j.contains("transparency")) {
        s.transparency = nonNegative(j["transparency"], path + ".transparency");
        if (s.transparency > 1) fail(path + ".transparency", "must be from 0 to 1");
    }
    return s;
}

uint32_t parseShape(const json& j, const std::string& path, const std::string& baseDir, ShapeLibrary& shapes) {
    if (!j.contains("shape") || !j["shape"].is_string()) fail(path + ".shape", "expected a shape name");
    const std::string shape = j["shape"].get<std::string>();
    using Kind = Shape::Kind;
    if (shape == "plane") return shapes.declare(shape, Kind::Plane, planeSize());
    if (shape == "sphere") return shapes.declare(shape, Kind::Sphere, sphereSize());
    if (shape == "cube") return shapes.declare(shape, Kind::Cube, cubeSize());
    if (shape == "cylinder") return shapes.declare(shape, Kind::Cylinder, cylinderSize());
    if (shape == "torus") {
        float minor = j.contains("minorRadius") ? coordinate(j["minorRadius"], path + ".minorRadius") : 0.35f;
        if (minor < 0) fail(path + ".minorRadius", "must not be negative");
        return shapes.declare("torus " + std::to_string(std::bit_cast<uint32_t>(minor)), Kind::Torus, torusSize(),
                              minor);
    }
    if (shape == "obj") {
        if (!j.contains("file") || !j["file"].is_string()) fail(path + ".file", "expected the OBJ file name");
        const std::string file = kvh::InputPath(baseDir, j["file"].get<std::string>());
        return shapes.obj("obj " + file, [&](TriangleMesh& m) {
            std::string error;
            if (!loadObjMesh(file, m, error, shapes.memoryLimit())) fail(path + ".file", error);
        });
    }
    fail(path + ".shape", "unknown shape '" + shape + "' (plane, sphere, cube, cylinder, torus or obj)");
}

// The object, without its mesh yet; `shape` is the index of its shape.
std::unique_ptr<RenderObject> parseObject(const json& j, const std::string& path, const std::string& baseDir,
                                          ShapeLibrary& shapes, uint32_t& shape) {
    checkKeys(j, path,
              {"name", "shape", "file", "minorRadius", "position", "rotation", "scale", "material", "surface"});
    auto obj = std::make_unique<RenderObject>();
    if (j.contains("name")) {
        if (!j["name"].is_string()) fail(path + ".name", "expected a string");
        obj->name = j["name"].get<std::string>();
    }
    shape = parseShape(j, path, baseDir, shapes);
    if (obj->name.empty()) obj->name = j["shape"].get<std::string>();
    Transform t;
    if (j.contains("position")) t.position = point(j["position"], path + ".position");
    if (j.contains("rotation")) t.rotationDeg = triple(j["rotation"], path + ".rotation");
    if (j.contains("scale")) {
        if (j["scale"].is_number()) {
            float s = coordinate(j["scale"], path + ".scale");
            t.scale = {s, s, s};
        } else {
            t.scale = point(j["scale"], path + ".scale");
        }
        if (t.scale.x == 0 || t.scale.y == 0 || t.scale.z == 0) fail(path + ".scale", "must not be 0");
    }
    obj->toWorld = AffineMap(t);
    if (j.contains("material")) {
        if (!j["material"].is_string()) fail(path + ".material", "expected a material name");
        obj->material = j["material"].get<std::string>();
    }
    if (j.contains("surface")) obj->surface = parseSurface(j["surface"], path + ".surface");
    return obj;
}

Light parseLight(const json& j, const std::string& path) {
    checkKeys(j, path, {"type", "position", "direction", "colour", "color", "intensity", "shadows"});
    Light l;
    const std::string type = j.contains("type") && j["type"].is_string() ? j["type"].get<std::string>() : "";
    if (type == "point") {
        l.kind = Light::Kind::Point;
        if (!j.contains("position")) fail(path + ".position", "a point light needs a position");
        l.position = point(j["position"], path + ".position");
    } else if (type == "distant") {
        l.kind = Light::Kind::Distant;
        if (!j.contains("direction")) fail(path + ".direction", "a distant light needs a direction");
        l.direction = unitDirection(j["direction"], path + ".direction");
    } else {
        fail(path + ".type", "expected \"point\" or \"distant\"");
    }
    if (j.contains("colour")) l.colour = triple(j["colour"], path + ".colour");
    if (j.contains("color")) l.colour = triple(j["color"], path + ".color");
    if (j.contains("intensity")) l.intensity = nonNegative(j["intensity"], path + ".intensity");
    if (j.contains("shadows")) {
        if (!j["shadows"].is_boolean()) fail(path + ".shadows", "expected true or false");
        l.shadows = j["shadows"].get<bool>();
    }
    return l;
}

void parseSettings(const json& j, RenderSettings& s) {
    checkKeys(j, "render", {"width", "height", "spp", "maxDepth"});
    if (j.contains("width")) s.width = count(j["width"], "render.width", 1, 16384);
    if (j.contains("height")) s.height = count(j["height"], "render.height", 1, 16384);
    if (j.contains("spp")) s.spp = count(j["spp"], "render.spp", 1, 4096);
    if (j.contains("maxDepth")) s.maxDepth = count(j["maxDepth"], "render.maxDepth", 0, 16);
}

}  // namespace

bool parseSceneObjects(const json& root, const std::string& baseDir, RenderScene& out, std::string& error,
                       uint64_t memoryLimit) {
    // Where memory may run out, and what was being built there.
    std::string where = "scene", building = "the renderer's part of it";
    try {
        if (!root.is_object()) fail("scene", "expected an object");
        if (root.contains("objects")) {
            const json& objs = root["objects"];
            if (!objs.is_array()) fail("objects", "expected an array");
            ShapeLibrary shapes(memoryLimit);
            std::vector<uint32_t> shapeOf(objs.size());
            out.objects.reserve(objs.size());
            for (size_t i = 0; i < objs.size(); ++i) {
                where = "objects[" + std::to_string(i) + "]";
                building = "object " + std::to_string(i + 1) + " of " + std::to_string(objs.size());
                out.objects.push_back(parseObject(objs[i], where, baseDir, shapes, shapeOf[i]));
            }
            where = "objects";
            building = "the estimate of their geometry";
            const uint64_t bytes = EstimateGeometryBytes(out.objects, shapes.sizes(), shapeOf);
            if (bytes > memoryLimit)
                fail("objects", kvh::OverMemoryLimit("the geometry of " + std::to_string(objs.size()) + " objects",
                                                     bytes, memoryLimit));
            building = "the meshes of their shapes";
            shapes.makeAll();
            for (size_t i = 0; i < objs.size(); ++i) {
                RenderObject& o = *out.objects[i];
                o.mesh = shapes[shapeOf[i]].mesh;
                // Each bound holds alone; together they may still place a vertex beyond it.
                if (!withinBound(shapes[shapeOf[i]], o.toWorld))
                    fail("objects[" + std::to_string(i) + "]",
                         "reaches " + kvh::CoordinateBoundMessage() + " (position and scale)");
            }
            where = "scene";
            building = "the lights and render settings";
        }
        if (root.contains("lights")) {
            const json& lights = root["lights"];
            if (!lights.is_array()) fail("lights", "expected an array");
            for (size_t i = 0; i < lights.size(); ++i)
                out.lights.push_back(parseLight(lights[i], "lights[" + std::to_string(i) + "]"));
        }
        if (root.contains("ambient")) out.ambient = triple(root["ambient"], "ambient");
        if (root.contains("background")) out.background = triple(root["background"], "background");
        if (root.contains("render")) parseSettings(root["render"], out.settings);
        return true;
    } catch (const SceneError& e) {
        error = e.what();
    } catch (const std::bad_alloc&) {
        error = where + ": out of memory building " + building;
    }
    // What was read goes before the caller's document is released.
    out.objects.clear();
    out.objects.shrink_to_fit();
    return false;
}

}  // namespace kvr
