#include "core/matrix.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <utility>

namespace kvh {

Mat4 Mat4::Translation(double x, double y, double z) {
    Mat4 r;
    r.at(3, 0) = x;
    r.at(3, 1) = y;
    r.at(3, 2) = z;
    return r;
}

Mat4 Mat4::Frame(const double* x, const double* y, const double* z, const double* p) {
    Mat4 r;
    for (int c = 0; c < 3; ++c) {
        r.at(0, c) = x[c];
        r.at(1, c) = y[c];
        r.at(2, c) = z[c];
        r.at(3, c) = p[c];
    }
    return r;
}

namespace {
void Cross(const double* a, const double* b, double* o) {
    o[0] = a[1] * b[2] - a[2] * b[1];
    o[1] = a[2] * b[0] - a[0] * b[2];
    o[2] = a[0] * b[1] - a[1] * b[0];
}
bool Normalize(double* v) {
    double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(l > 1e-12)) return false;
    for (int i = 0; i < 3; ++i) v[i] /= l;
    return true;
}
}  // namespace

bool Mat4::LookAt(const double* eye, const double* target, const double* up, Mat4* out) {
    double z[3] = {target[0] - eye[0], target[1] - eye[1], target[2] - eye[2]};
    double u[3] = {up[0], up[1], up[2]};
    *out = Mat4();
    if (!Normalize(z) || !Normalize(u)) return false;
    double x[3], y[3];
    Cross(z, u, x);  // right = forward x up
    if (!Normalize(x)) return false;
    Cross(z, x, y);  // down = forward x right
    *out = Frame(x, y, z, eye);
    return true;
}

Mat4 Mat4::FromEulerDegrees(const double* eye, const double* deg) {
    const double k = 3.14159265358979323846 / 180.0;
    double cx = std::cos(deg[0] * k), sx = std::sin(deg[0] * k);
    double cy = std::cos(deg[1] * k), sy = std::sin(deg[1] * k);
    double cz = std::cos(deg[2] * k), sz = std::sin(deg[2] * k);
    Mat4 rx, ry, rz;
    rx.at(1, 1) = cx, rx.at(1, 2) = sx, rx.at(2, 1) = -sx, rx.at(2, 2) = cx;
    ry.at(0, 0) = cy, ry.at(0, 2) = -sy, ry.at(2, 0) = sy, ry.at(2, 2) = cy;
    rz.at(0, 0) = cz, rz.at(0, 1) = sz, rz.at(1, 0) = -sz, rz.at(1, 1) = cz;
    Mat4 r = rx * ry * rz;
    r.at(3, 0) = eye[0], r.at(3, 1) = eye[1], r.at(3, 2) = eye[2];
    return r;
}

Mat4 Mat4::operator*(const Mat4& b) const {
    Mat4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double s = 0;
            for (int k = 0; k < 4; ++k) s += at(i, k) * b.at(k, j);
            r.at(i, j) = s;
        }
    return r;
}

namespace {
// Gauss-Jordan with partial pivoting in `Real`; false (and `m` unchanged)
// when a pivot vanishes.
template <class Real>
bool GaussJordanInverse(std::array<double, 16>& m) {
    Real a[4][8];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 8; ++j) a[i][j] = j < 4 ? static_cast<Real>(m[i * 4 + j]) : Real(j - 4 == i ? 1 : 0);
    for (int c = 0; c < 4; ++c) {
        int p = c;
        for (int r = c + 1; r < 4; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
        if (!(std::fabs(static_cast<double>(a[p][c])) > 1e-300)) return false;
        if (p != c)
            for (int j = 0; j < 8; ++j) std::swap(a[p][j], a[c][j]);
        const Real d = a[c][c];
        for (int j = 0; j < 8; ++j) a[c][j] /= d;
        for (int r = 0; r < 4; ++r)
            if (r != c && a[r][c] != Real(0)) {
                const Real f = a[r][c];
                for (int j = 0; j < 8; ++j) a[r][j] -= f * a[c][j];
            }
    }
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m[i * 4 + j] = static_cast<double>(a[i][j + 4]);
    return true;
}
}  // namespace

bool Mat4::Invert() { return GaussJordanInverse<double>(m); }

bool Mat4::InvertInFloat() {
    // Rounding a value beyond float's range to float is undefined; such a
    // matrix cannot be kept in float at all.
    for (double v : m)
        if (!(std::fabs(v) <= std::numeric_limits<float>::max())) return false;
    return GaussJordanInverse<float>(m);
}

void Mat4::TransformPoint(const double* p, double* out) const {
    for (int c = 0; c < 3; ++c) out[c] = p[0] * at(0, c) + p[1] * at(1, c) + p[2] * at(2, c) + at(3, c);
}

void Mat4::TransformDirection(const double* d, double* out) const {
    for (int c = 0; c < 3; ++c) out[c] = d[0] * at(0, c) + d[1] * at(1, c) + d[2] * at(2, c);
}

namespace {
std::atomic<MatrixAnswers> g_matrixAnswers{MatrixAnswers::Honest};
}  // namespace

void SetMatrixAnswers(MatrixAnswers answers) { g_matrixAnswers.store(answers, std::memory_order_relaxed); }
MatrixAnswers CurrentMatrixAnswers() { return g_matrixAnswers.load(std::memory_order_relaxed); }

}  // namespace kvh
