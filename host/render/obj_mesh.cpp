#include "obj_mesh.h"

#include <tiny_obj_loader.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>
#include <vector>

#include "core/input_file.h"
#include "core/scene_file.h"

namespace kvr {

namespace {

// Every number of the "v", "vn" and "vt" lines: finite, and vertex positions
// within the coordinate bound. The OBJ reader would take "nan" or "1e39" and
// the triangle would vanish from the render without a word.
bool checkObjNumbers(const std::string& path, std::string& error) {
    std::ifstream in(path);
    std::string line;
    for (size_t number = 1; std::getline(in, line); ++number) {
        std::istringstream words(line);
        std::string kind, word;
        words >> kind;
        if (kind != "v" && kind != "vn" && kind != "vt") continue;
        while (words >> word && word[0] != '#') {
            char* end = nullptr;
            const double v = std::strtod(word.c_str(), &end);
            std::string wrong;
            if (end == word.c_str() || *end) wrong = "is not a number";
            // Stored as a float: beyond its range is infinite too.
            else if (!std::isfinite(float(v))) wrong = "is not a finite number";
            else if (kind == "v" && std::fabs(v) > kvh::kMaxCoordinate) wrong = "lies " + kvh::CoordinateBoundMessage();
            if (!wrong.empty()) {
                error = "OBJ file '" + path + "', line " + std::to_string(number) + ": '" + word + "' " + wrong;
                return false;
            }
        }
    }
    return true;
}

}  // namespace

bool loadObjMesh(const std::string& path, TriangleMesh& out, std::string& error) {
    if (const std::string why = kvh::NotARegularFile(path); !why.empty()) {
        error = "cannot read OBJ file '" + path + "': " + why;
        return false;
    }
    if (!checkObjNumbers(path, error)) return false;
    tinyobj::ObjReaderConfig config;
    // Polygons are fanned here, so that a quad stays one segment.
    config.triangulate = false;
    config.vertex_color = false;
    tinyobj::ObjReader reader;
    if (!reader.ParseFromFile(path, config)) {
        error = reader.Error().empty() ? "cannot read OBJ file '" + path + "'" : reader.Error();
        while (!error.empty() && error.back() == '\n') error.pop_back();
        return false;
    }
    const auto& attrib = reader.GetAttrib();
    const auto& shapes = reader.GetShapes();
    const bool segmentPerPolygon = shapes.size() == 1;
    const bool hasNormals = !attrib.normals.empty();

    TriangleMesh mesh;
    std::map<std::tuple<int, int, int>, uint32_t> vertexOf;
    std::vector<uint32_t> positionOfVertex;
    // The mesh vertex of one face corner; false for an index out of range.
    auto corner = [&](const tinyobj::index_t& i, uint32_t& out) {
        if (i.vertex_index < 0 || 3 * static_cast<size_t>(i.vertex_index) + 2 >= attrib.vertices.size() ||
            (i.normal_index >= 0 && 3 * static_cast<size_t>(i.normal_index) + 2 >= attrib.normals.size()) ||
            (i.texcoord_index >= 0 && 2 * static_cast<size_t>(i.texcoord_index) + 1 >= attrib.texcoords.size()))
            return false;
        auto key = std::make_tuple(i.vertex_index, hasNormals ? i.normal_index : -1, i.texcoord_index);
        auto it = vertexOf.find(key);
        if (it == vertexOf.end()) {
            const float* p = &attrib.vertices[3 * i.vertex_index];
            Vec3 n{};
            if (i.normal_index >= 0) {
                const float* q = &attrib.normals[3 * i.normal_index];
                n = normalize({q[0], q[1], q[2]});
            }
            UV uv{};
            if (i.texcoord_index >= 0)
                uv = {attrib.texcoords[2 * i.texcoord_index], attrib.texcoords[2 * i.texcoord_index + 1]};
            it = vertexOf.emplace(key, mesh.addVertex({p[0], p[1], p[2]}, n, uv)).first;
            positionOfVertex.push_back(static_cast<uint32_t>(i.vertex_index));
        }
        out = it->second;
        return true;
    };
    uint32_t polygon = 0;
    for (size_t s = 0; s < shapes.size(); ++s) {
        const auto& m = shapes[s].mesh;
        size_t first = 0;
        for (size_t f = 0; f < m.num_face_vertices.size(); ++f, ++polygon) {
            const size_t n = m.num_face_vertices[f];
            if (first + n > m.indices.size()) {
                error = "OBJ file '" + path + "' has a face with an index out of range";
                return false;
            }
            std::vector<uint32_t> v(n);
            for (size_t k = 0; k < n; ++k)
                if (!corner(m.indices[first + k], v[k])) {
                    error = "OBJ file '" + path + "' has a face with an index out of range";
                    return false;
                }
            for (size_t k = 1; k + 1 < n; ++k)
                mesh.addTriangle(v[0], v[k], v[k + 1], segmentPerPolygon ? polygon : static_cast<uint32_t>(s));
            first += n;
        }
    }
    if (mesh.triangleCount() == 0) {
        error = "OBJ file '" + path + "' has no faces";
        return false;
    }
    // Vertices without a normal get the area-weighted mean of the faces around their position.
    std::vector<Vec3> smooth(attrib.vertices.size() / 3);
    for (uint32_t t = 0; t < mesh.triangleCount(); ++t) {
        const uint32_t* tri = &mesh.indices[3 * t];
        Vec3 a = mesh.positions[tri[0]], b = mesh.positions[tri[1]], c = mesh.positions[tri[2]];
        Vec3 fn = cross(b - a, c - a);
        for (int k = 0; k < 3; ++k) smooth[positionOfVertex[tri[k]]] += fn;
    }
    for (size_t i = 0; i < mesh.normals.size(); ++i)
        if (length(mesh.normals[i]) == 0) mesh.normals[i] = normalize(smooth[positionOfVertex[i]]);
    out = std::move(mesh);
    return true;
}

}  // namespace kvr
