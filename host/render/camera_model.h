// Pinhole camera of the render: image coordinates (pixel + position inside the
// pixel, y growing downwards) to world rays, and world points to depth.
#pragma once

#include <cstdint>

#include "vec3.h"

namespace kvr {

struct CameraModel {
    double position[3] = {0, 0, 0};
    Vec3 right{1, 0, 0};    // camera local x
    Vec3 down{0, -1, 0};    // camera local y: the direction of increasing pixel rows
    Vec3 forward{0, 0, -1}; // camera local z: the viewing direction
    float focalLength = 0.05f;
    float apertureX = 0.036f;
    float apertureY = 0.024f;
    float focusDistance = 5.0f;
    uint32_t width = 64, height = 48;

    // Sets the frame from a world matrix in row-vector form (rows 0-2: the local
    // axes in world space, row 3: the position), 16 doubles row by row.
    void setWorldMatrix(const double m[16]);
    // Unit direction of the camera ray through image point (x, y).
    Vec3 direction(double x, double y) const;
    // Distance of a world point in front of the camera, along the view axis.
    float depth(const double p[3]) const;
};

}  // namespace kvr
