// Object placement: translation, rotation in degrees about x then y then z,
// and per-axis scale, applied as scale, rotate, translate.
#pragma once

#include "vec3.h"

namespace kvr {

struct Transform {
    Vec3 position{0, 0, 0};
    Vec3 rotationDeg{0, 0, 0};
    Vec3 scale{1, 1, 1};
};

// The affine map of a transform, column-vector form: p' = L p + t.
class AffineMap {
public:
    AffineMap() : AffineMap(Transform{}) {}
    explicit AffineMap(const Transform& t);
    Vec3 point(Vec3 p) const;
    Vec3 normal(Vec3 n) const;  // by the inverse transpose, normalised
    // Length of the image of each unit axis: the scale along it.
    float axisScale(int axis) const;
    // The map as 12 floats, column by column (the linear part, then the translation).
    void columnMajor(float out[12]) const;

private:
    float lin_[3][3];
    float normalMat_[3][3];
    Vec3 t_;
};

}  // namespace kvr
