#include "camera_model.h"

namespace kvr {

void CameraModel::setWorldMatrix(const double m[16]) {
    right = normalize({float(m[0]), float(m[1]), float(m[2])});
    down = normalize({float(m[4]), float(m[5]), float(m[6])});
    forward = normalize({float(m[8]), float(m[9]), float(m[10])});
    position[0] = m[12];
    position[1] = m[13];
    position[2] = m[14];
}

Vec3 CameraModel::direction(double x, double y) const {
    float fx = static_cast<float>((x / width - 0.5) * apertureX);
    float fy = static_cast<float>((y / height - 0.5) * apertureY);
    return normalize(right * fx + down * fy + forward * focalLength);
}

float CameraModel::depth(const double p[3]) const {
    Vec3 d{float(p[0] - position[0]), float(p[1] - position[1]), float(p[2] - position[2])};
    return dot(d, forward);
}

}  // namespace kvr
