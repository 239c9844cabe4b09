// Small 3-vector of floats used by the renderer's geometry and shading.
#pragma once

#include <cmath>
#include <limits>

namespace kvr {

struct Vec3 {
    float x = 0, y = 0, z = 0;
    constexpr Vec3() = default;
    constexpr Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(float s, Vec3 a) { return a * s; }
inline Vec3 operator*(Vec3 a, Vec3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
inline Vec3& operator+=(Vec3& a, Vec3 b) { return a = a + b; }
inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(Vec3 a) { return std::sqrt(dot(a, a)); }
// The unit vector along a; zero for a zero, infinite or NaN vector. A vector
// whose squared length leaves float's range (components beyond about 1.8e19,
// or below about 1e-19) is scaled by its largest component first.
inline Vec3 normalize(Vec3 a) {
    const float l2 = dot(a, a);
    if (l2 >= std::numeric_limits<float>::min() && l2 <= std::numeric_limits<float>::max())
        return a * (1.0f / std::sqrt(l2));
    const float m = std::fmax(std::fabs(a.x), std::fmax(std::fabs(a.y), std::fabs(a.z)));
    if (!(m > 0) || !std::isfinite(m) || std::isnan(l2)) return {};
    const Vec3 s{a.x / m, a.y / m, a.z / m};
    return s * (1.0f / length(s));
}
// a, flipped when needed so that it points against the direction d.
inline Vec3 faceAgainst(Vec3 a, Vec3 d) { return dot(a, d) > 0 ? -a : a; }

}  // namespace kvr
