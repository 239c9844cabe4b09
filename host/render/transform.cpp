#include "transform.h"

#include <numbers>

namespace kvr {

namespace {

void multiply(const float a[3][3], const float b[3][3], float out[3][3]) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) out[r][c] = a[r][0] * b[0][c] + a[r][1] * b[1][c] + a[r][2] * b[2][c];
}

void copy(const float in[3][3], float out[3][3]) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) out[r][c] = in[r][c];
}

Vec3 apply(const float m[3][3], Vec3 v) {
    return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
            m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

}  // namespace

AffineMap::AffineMap(const Transform& t) : t_(t.position) {
    const float k = std::numbers::pi_v<float> / 180.0f;
    float cx = std::cos(t.rotationDeg.x * k), sx = std::sin(t.rotationDeg.x * k);
    float cy = std::cos(t.rotationDeg.y * k), sy = std::sin(t.rotationDeg.y * k);
    float cz = std::cos(t.rotationDeg.z * k), sz = std::sin(t.rotationDeg.z * k);
    const float rx[3][3] = {{1, 0, 0}, {0, cx, -sx}, {0, sx, cx}};
    const float ry[3][3] = {{cy, 0, sy}, {0, 1, 0}, {-sy, 0, cy}};
    const float rz[3][3] = {{cz, -sz, 0}, {sz, cz, 0}, {0, 0, 1}};
    float ryx[3][3], rot[3][3];
    multiply(ry, rx, ryx);
    multiply(rz, ryx, rot);  // x first, then y, then z
    for (int r = 0; r < 3; ++r) {
        lin_[r][0] = rot[r][0] * t.scale.x;
        lin_[r][1] = rot[r][1] * t.scale.y;
        lin_[r][2] = rot[r][2] * t.scale.z;
    }
    // Inverse transpose of R S is R S^-1; a zero scale keeps the normal's rotation only.
    auto inv = [](float s) { return s != 0 ? 1.0f / s : 0.0f; };
    float n[3][3];
    copy(rot, n);
    for (int r = 0; r < 3; ++r) {
        n[r][0] *= inv(t.scale.x);
        n[r][1] *= inv(t.scale.y);
        n[r][2] *= inv(t.scale.z);
    }
    copy(n, normalMat_);
}

Vec3 AffineMap::point(Vec3 p) const { return apply(lin_, p) + t_; }

Vec3 AffineMap::normal(Vec3 n) const { return normalize(apply(normalMat_, n)); }

float AffineMap::axisScale(int axis) const { return length({lin_[0][axis], lin_[1][axis], lin_[2][axis]}); }

void AffineMap::columnMajor(float out[12]) const {
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r) out[3 * c + r] = lin_[r][c];
    out[9] = t_.x;
    out[10] = t_.y;
    out[11] = t_.z;
}

}  // namespace kvr
