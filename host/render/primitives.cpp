#include "primitives.h"

#include <numbers>

namespace kvr {

namespace {

constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;
constexpr float kPi = std::numbers::pi_v<float>;

// A flat quad a-b-c-d (counter-clockwise seen from the side it faces).
void addQuad(TriangleMesh& m, Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec3 n, uint32_t segment) {
    uint32_t i0 = m.addVertex(a, n, {0, 0});
    uint32_t i1 = m.addVertex(b, n, {1, 0});
    uint32_t i2 = m.addVertex(c, n, {1, 1});
    uint32_t i3 = m.addVertex(d, n, {0, 1});
    m.addTriangle(i0, i1, i2, segment);
    m.addTriangle(i0, i2, i3, segment);
}

// Triangles of a (rows+1) x (cols+1) vertex grid starting at index base.
void addGrid(TriangleMesh& m, uint32_t base, int rows, int cols, uint32_t segment) {
    const uint32_t stride = static_cast<uint32_t>(cols + 1);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            uint32_t i0 = base + r * stride + c, i1 = i0 + 1, i2 = i0 + stride, i3 = i2 + 1;
            m.addTriangle(i0, i2, i1, segment);
            m.addTriangle(i1, i2, i3, segment);
        }
}

// A (rows+1) x (cols+1) vertex grid and its triangles.
MeshSize gridSize(int rows, int cols) {
    return {uint64_t(rows + 1) * uint64_t(cols + 1), 2 * uint64_t(rows) * uint64_t(cols)};
}

}  // namespace

MeshSize planeSize() { return {4, 2}; }
MeshSize sphereSize(int slices, int stacks) { return gridSize(stacks, slices); }
MeshSize cubeSize() { return {6 * 4, 6 * 2}; }
// The side's grid, and a centre and a ring a cap.
MeshSize cylinderSize(int slices) { return {gridSize(1, slices).vertices + 2 * (slices + 2), 4 * uint64_t(slices)}; }
MeshSize torusSize(int ringSegments, int tubeSegments) { return gridSize(ringSegments, tubeSegments); }

TriangleMesh makePlane() {
    TriangleMesh m;
    m.reserve(planeSize());
    addQuad(m, {-1, 0, 1}, {1, 0, 1}, {1, 0, -1}, {-1, 0, -1}, {0, 1, 0}, 0);
    return m;
}

TriangleMesh makeSphere(int slices, int stacks) {
    TriangleMesh m;
    m.reserve(sphereSize(slices, stacks));
    for (int i = 0; i <= stacks; ++i) {
        float v = static_cast<float>(i) / stacks, theta = v * kPi;
        for (int j = 0; j <= slices; ++j) {
            float u = static_cast<float>(j) / slices, phi = u * kTwoPi;
            Vec3 n{std::sin(theta) * std::cos(phi), std::cos(theta), -std::sin(theta) * std::sin(phi)};
            m.addVertex(n, n, {u, 1.0f - v});
        }
    }
    addGrid(m, 0, stacks, slices, 0);
    return m;
}

TriangleMesh makeCube() {
    TriangleMesh m;
    m.reserve(cubeSize());
    // +x, -x, +y, -y, +z, -z
    addQuad(m, {1, -1, 1}, {1, -1, -1}, {1, 1, -1}, {1, 1, 1}, {1, 0, 0}, 0);
    addQuad(m, {-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}, {-1, 0, 0}, 1);
    addQuad(m, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}, {-1, 1, -1}, {0, 1, 0}, 2);
    addQuad(m, {-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}, {0, -1, 0}, 3);
    addQuad(m, {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}, {0, 0, 1}, 4);
    addQuad(m, {1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {0, 0, -1}, 5);
    return m;
}

TriangleMesh makeCylinder(int slices) {
    TriangleMesh m;
    m.reserve(cylinderSize(slices));
    // Side: two rings.
    for (int i = 0; i <= 1; ++i)
        for (int j = 0; j <= slices; ++j) {
            float u = static_cast<float>(j) / slices, phi = u * kTwoPi;
            Vec3 n{std::cos(phi), 0, -std::sin(phi)};
            m.addVertex({n.x, i == 0 ? 1.0f : -1.0f, n.z}, n, {u, i == 0 ? 1.0f : 0.0f});
        }
    addGrid(m, 0, 1, slices, 0);
    // Caps: a centre and a ring each.
    for (int cap = 0; cap < 2; ++cap) {
        float y = cap == 0 ? 1.0f : -1.0f;
        Vec3 n{0, y, 0};
        uint32_t centre = m.addVertex({0, y, 0}, n, {0.5f, 0.5f});
        uint32_t first = static_cast<uint32_t>(m.positions.size());
        for (int j = 0; j <= slices; ++j) {
            float phi = static_cast<float>(j) / slices * kTwoPi;
            float c = std::cos(phi), s = -std::sin(phi);
            m.addVertex({c, y, s}, n, {0.5f + 0.5f * c, 0.5f - 0.5f * s});
        }
        for (int j = 0; j < slices; ++j) {
            uint32_t a = first + j, b = a + 1;
            if (cap == 0)
                m.addTriangle(centre, a, b, 1);
            else
                m.addTriangle(centre, b, a, 2);
        }
    }
    return m;
}

TriangleMesh makeTorus(float minorRadius, int ringSegments, int tubeSegments) {
    TriangleMesh m;
    m.reserve(torusSize(ringSegments, tubeSegments));
    for (int i = 0; i <= ringSegments; ++i) {
        float u = static_cast<float>(i) / ringSegments, phi = u * kTwoPi;
        Vec3 ring{std::cos(phi), 0, -std::sin(phi)};
        for (int j = 0; j <= tubeSegments; ++j) {
            float v = static_cast<float>(j) / tubeSegments, theta = v * kTwoPi;
            Vec3 n = ring * std::cos(theta) + Vec3{0, std::sin(theta), 0};
            m.addVertex(ring + n * minorRadius, n, {u, v});
        }
    }
    addGrid(m, 0, ringSegments, tubeSegments, 0);
    return m;
}

}  // namespace kvr
