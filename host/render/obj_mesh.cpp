#include "obj_mesh.h"

#include <tiny_obj_loader.h>

#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <new>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>
#include <vector>

#include "core/input_file.h"
#include "core/memory_limit.h"
#include "core/scene_file.h"

namespace kvr {

namespace {

// What the OBJ file holds, counted line by line before it is parsed.
struct ObjCounts {
    uint64_t positions = 0, normals = 0, texcoords = 0, faces = 0, corners = 0;
    // Bytes the reader and the mesh take at most while it is read.
    uint64_t bytes() const {
        // The reader's arrays (3 + 3 + 2 floats, 3 indices a corner, 3 numbers
        // a face), and the mesh made of them: a vertex and its lookup entry a
        // corner, a triangle per corner, the smoothed normal a position.
        return 4 * (3 * positions + 3 * normals + 2 * texcoords) + 12 * corners + 12 * faces +
               (sizeof(Vec3) * 2 + sizeof(UV) + 96) * corners + 16 * corners + 16 * positions;
    }
};

// A face corner's index of one kind ("7", "-2"), resolved as the OBJ reader
// does: positive from the first element of the file, negative back from the
// last one read so far. The largest positive index is checked once the file
// is counted (an index may name an element further down).
struct IndexCheck {
    IndexCheck(const char* n, const uint64_t* c) : name(n), count(c) {}
    const char* name;       // "vertices", "texture coordinates", "normals"
    const uint64_t* count;  // elements of this kind read so far
    uint64_t largest = 0;
    size_t largestLine = 0;
    std::string largestWord;

    // Empty when `text` is an index in range so far, else what is wrong.
    std::string take(const std::string& text, size_t line) {
        size_t digits = text[0] == '-' ? 1 : 0;
        if (digits == text.size() || text.find_first_not_of("0123456789", digits) != std::string::npos)
            return "is not a face index";
        // Beyond 18 digits no file holds that many elements.
        const bool huge = text.size() - digits > 18;
        const uint64_t value = huge ? 0 : std::stoull(text.substr(digits));
        if (huge || value == 0 || (digits && value > *count)) return outOfRange();
        if (!digits && value > largest) {
            largest = value;
            largestLine = line;
            largestWord = text;
        }
        return "";
    }
    std::string outOfRange() const {
        return "is out of range (the file has " + std::to_string(*count) + " " + name + ")";
    }
};

std::string lineError(const std::string& path, size_t line, const std::string& word, const std::string& wrong) {
    return "OBJ file '" + path + "', line " + std::to_string(line) + ": '" + word + "' " + wrong;
}

// Every number of the "v", "vn" and "vt" lines: finite, and vertex positions
// within the coordinate bound. The OBJ reader would take "nan" or "1e39" and
// the triangle would vanish from the render without a word. Every face index
// names an element of the file: the reader would wrap 4294967299 round to 3.
bool checkObjFile(const std::string& path, ObjCounts& counts, std::string& error) {
    std::ifstream in(path);
    IndexCheck kinds[3] = {{"vertices", &counts.positions}, {"texture coordinates", &counts.texcoords},
                           {"normals", &counts.normals}};
    std::string line;
    for (size_t number = 1; std::getline(in, line); ++number) {
        std::istringstream words(line);
        std::string kind, word;
        words >> kind;
        if (kind == "f") {
            ++counts.faces;
            while (words >> word && word[0] != '#') {
                ++counts.corners;
                // v, v/vt, v//vn or v/vt/vn
                size_t part = 0, from = 0;
                for (; part < 3 && from <= word.size(); ++part) {
                    const size_t slash = std::min(word.find('/', from), word.size());
                    const std::string index = word.substr(from, slash - from);
                    from = slash + 1;
                    if (index.empty() && part == 1) continue;
                    const std::string wrong = index.empty() ? "is not a face corner" : kinds[part].take(index, number);
                    if (!wrong.empty()) {
                        error = lineError(path, number, index.empty() ? word : index, wrong);
                        return false;
                    }
                }
                if (from <= word.size()) {
                    error = lineError(path, number, word, "is not a face corner");
                    return false;
                }
            }
            continue;
        }
        if (kind != "v" && kind != "vn" && kind != "vt") continue;
        ++(kind == "v" ? counts.positions : kind == "vn" ? counts.normals : counts.texcoords);
        while (words >> word && word[0] != '#') {
            char* end = nullptr;
            const double v = std::strtod(word.c_str(), &end);
            std::string wrong;
            if (end == word.c_str() || *end) wrong = "is not a number";
            // Stored as a float: beyond its range is infinite too.
            else if (!std::isfinite(float(v))) wrong = "is not a finite number";
            else if (kind == "v" && std::fabs(v) > kvh::kMaxCoordinate) wrong = "lies " + kvh::CoordinateBoundMessage();
            if (!wrong.empty()) {
                error = lineError(path, number, word, wrong);
                return false;
            }
        }
    }
    for (const IndexCheck& k : kinds)
        if (k.largest > *k.count) {
            error = lineError(path, k.largestLine, k.largestWord, k.outOfRange());
            return false;
        }
    return true;
}

// Parses the checked file into a mesh.
bool readObjMesh(const std::string& path, TriangleMesh& out, std::string& error) {
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

}  // namespace

bool loadObjMesh(const std::string& path, TriangleMesh& out, std::string& error, uint64_t memoryLimit) {
    if (const std::string why = kvh::NotARegularFile(path); !why.empty()) {
        error = "cannot read OBJ file '" + path + "': " + why;
        return false;
    }
    ObjCounts counts;
    if (!checkObjFile(path, counts, error)) return false;
    if (counts.bytes() > memoryLimit) {
        error = kvh::OverMemoryLimit("OBJ file '" + path + "' of " + std::to_string(counts.faces) + " faces",
                                     counts.bytes(), memoryLimit);
        return false;
    }
    try {
        return readObjMesh(path, out, error);
    } catch (const std::bad_alloc&) {
        error = "out of memory reading OBJ file '" + path + "' of " + std::to_string(counts.faces) + " faces";
        return false;
    }
}

}  // namespace kvr
