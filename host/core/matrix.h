// 4x4 matrices in the host's convention: row vectors, world = local * M,
// M = [[R, 0], [t, 1]] with R the 3x3 part (rows: the local x, y, z axes in
// world space) and t the translation (row 3). Stored row by row.
//
// The render camera's frame: local x to the right of the image, local y down
// (towards increasing pixel rows), local z forward (into the scene).
#pragma once

#include <array>

namespace kvh {

struct Mat4 {
    std::array<double, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    double& at(int r, int c) { return m[r * 4 + c]; }
    double at(int r, int c) const { return m[r * 4 + c]; }

    static Mat4 Translation(double x, double y, double z);
    // Rows of R are the given axes; t the position.
    static Mat4 Frame(const double* xAxis, const double* yAxis, const double* zAxis, const double* position);
    // Camera frame looking from `eye` at `target` with `up` as the image's up.
    // False (and identity) when the directions are degenerate.
    static bool LookAt(const double* eye, const double* target, const double* up, Mat4* out);
    // Camera frame from Euler angles in degrees (x, then y, then z, applied
    // to the camera axes), at `eye`.
    static Mat4 FromEulerDegrees(const double* eye, const double* degrees);

    // General inverse; false (and *this unchanged) when singular.
    bool Invert();
    // The inverse as a host that keeps its matrices in float computes it:
    // the matrix rounded to float, inverted there by the same elimination and
    // widened back. False (and *this unchanged) when singular in float or
    // when a value lies beyond float's range.
    bool InvertInFloat();
    Mat4 operator*(const Mat4& b) const;
    // p * M for a point (w = 1) and for a direction (w = 0).
    void TransformPoint(const double* p, double* out) const;
    void TransformDirection(const double* d, double* out) const;
};

// How the host's Matrix objects answer slots 3, 4, 5 and 13. These slots
// promise data, not a result code, so a caller must judge what they wrote;
// tests make the host answer the other ways to check that it does, and
// invert in single precision to check that float-accurate data is taken.
enum class MatrixAnswers {
    Honest,                 // the data, and success (a singular matrix fails to invert)
    FailingWithData,        // the data, and a failing code
    SucceedingWithNothing,  // success, and nothing written (no inversion either)
    InvertingInFloat,       // as Honest, but slot 13 inverts as Mat4::InvertInFloat does
};
// Process wide; the default is Honest. Set from one thread while no plug-in reads.
void SetMatrixAnswers(MatrixAnswers answers);
MatrixAnswers CurrentMatrixAnswers();

// Sets the answers for a scope and restores the previous ones.
class ScopedMatrixAnswers {
public:
    explicit ScopedMatrixAnswers(MatrixAnswers answers) : previous_(CurrentMatrixAnswers()) {
        SetMatrixAnswers(answers);
    }
    ~ScopedMatrixAnswers() { SetMatrixAnswers(previous_); }
    ScopedMatrixAnswers(const ScopedMatrixAnswers&) = delete;
    ScopedMatrixAnswers& operator=(const ScopedMatrixAnswers&) = delete;

private:
    MatrixAnswers previous_;
};

}  // namespace kvh
