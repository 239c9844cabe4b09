#include "shader/shade_links.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kv::shader {

const char* const kCameraChannelNames[kCameraChannelCount] = {"focusDist", "apertureX", "apertureY", "focalLen",
                                                              "worldMatrix"};

ShadeLocWalk::ShadeLocWalk(vt_IKvUnknown** item, const char* typeName) : m_item(item) {
    CKvUser_Item material(item);
    CKvUser_Scene scene;
    if (!material.GetContext(scene) || !scene.GetGraph("shadeLoc", m_graph)) return;
    m_type = CKvUser_SceneService().ItemTypeLookup(typeName);
    if (m_type == 0) return;
    m_count = m_graph.FwdCount(item);
}

bool ShadeLocWalk::next(CKvLocalizedObject& out) {
    while (m_next < m_count) {
        CKvUser_Item linked;
        if (m_graph.FwdByIndex(m_item, m_next++, linked) && linked.IsA(m_type)) return out.copy(linked);
    }
    out.clear();
    return false;
}

bool FindLinkedClip(vt_IKvUnknown** item, CKvUser_Item& clip) {
    ShadeLocWalk walk(item, "videoClip");
    return walk.next(clip);
}

ControlPoint::ControlPoint(const ControlPoint& other) { *this = other; }

ControlPoint& ControlPoint::operator=(const ControlPoint& other) {
    if (this == &other) return *this;
    item.set(static_cast<vt_IKvUnknown**>(other.item));
    worldMatrix = other.worldMatrix;
    for (int i = 0; i < 3; ++i) position[i] = other.position[i];
    view = other.view;
    return *this;
}

unsigned FindLinkedLocators(vt_IKvUnknown** item, std::vector<ControlPoint>& points) {
    ShadeLocWalk walk(item, "locator");
    unsigned found = 0;
    CKvUser_Item locator;
    while (walk.next(locator)) {
        points.emplace_back();
        points.back().item.copy(locator);
        ++found;
    }
    return found;
}

void CameraFrame::toCamera(const double p[3], double q[3]) const {
    for (int j = 0; j < 3; ++j)
        q[j] = p[0] * viewRotation[0][j] + p[1] * viewRotation[1][j] + p[2] * viewRotation[2][j] +
               viewTranslation[j];
}

bool ProjectLocator(const CameraFrame& frame, const CameraLens& lens, const double position[3], LocatorView& view) {
    if (!(lens.focalLen > 0.0f) || !(lens.apertureX > 0.0f)) return false;
    double q[3];
    frame.toCamera(position, q);
    if (!(q[2] > 0.0)) return false;
    // Perspective: the image width spans 2 sx at depth 1, so dividing by
    // 2 sx q2 gives the position over the width; y's centre sits at half the
    // image's aspect, as the sample's screen position has it.
    const double span = 2.0 * frame.screenScaleX * q[2];
    const double x = q[0] / span;
    const double y = q[1] / span + 0.5 * (static_cast<double>(lens.apertureY) / lens.apertureX - 1.0);
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    view.screenX = x;
    view.screenY = y;
    view.depth = q[2];
    return true;
}

void PatternLinks::link(vt_IKvUnknown** eval, vt_IKvUnknown** itemObj) {
    for (LinkPair& pair : m_camera) pair = {kUnlinked, kUnlinked};
    CKvUser_Item item(itemObj);
    CKvUser_Scene scene;
    CKvUser_Item camera;
    const bool hasCamera = item.GetContext(scene) && scene.GetRenderCameraByIndex(0, camera);
    if (hasCamera) {
        for (unsigned c = 0; c < kCameraChannelCount; ++c)
            m_camera[c].index = static_cast<uint32_t>(camera.ChannelLookup(kCameraChannelNames[c]));
    }
    m_points.clear();
    FindLinkedLocators(itemObj, m_points);
    for (ControlPoint& point : m_points)
        point.worldMatrix.index = static_cast<uint32_t>(point.item.ChannelLookup("worldMatrix"));
    m_views.assign(m_points.size(), LocatorView{});

    CKvUser_Evaluation evaluation(eval);
    if (hasCamera) {
        for (unsigned c = 0; c < kCameraChannelCount; ++c)
            m_camera[c].evalIndex = evaluation.AddChan(
                camera, m_camera[c].index, c == kCamWorldMatrix ? KV_EVAL_MATRIX : KV_EVAL_VALUE);
    }
    for (ControlPoint& point : m_points)
        point.worldMatrix.evalIndex = evaluation.AddChan(point.item, point.worldMatrix.index, KV_EVAL_MATRIX);
}

namespace {

// The matrix object of a "worldMatrix" channel; false when it gives none.
bool ReadMatrix(CKvUser_Attributes& attr, uint32_t evalIndex, CKvUser_Matrix& matrix) {
    void* obj = nullptr;
    if (evalIndex == kUnlinked || KV_FAILED(attr.Value(evalIndex, &obj)) || !obj) return false;
    return matrix.take(obj);
}

// The host's Matrix slots 3, 5 and 13 promise data, not a result code: each
// read goes into values preset to NaN and is judged by what was written.
constexpr double kUnwritten = std::numeric_limits<double>::quiet_NaN();

bool AllFinite(const double* v, int n) {
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) return false;
    return true;
}

// Whether `sum` is `want` to within a part of `size`; an overflowed sum is not.
bool Near(double sum, double want, double size) {
    constexpr double kRelativeTolerance = 1e-2;
    return std::isfinite(sum) && std::fabs(sum - want) <= kRelativeTolerance * size;
}

// Whether (R', t') read after the inversion undoes (R, t): R'·R is the
// identity and t·R' + t' is 0, each entry to within a part of the sizes of
// what it is made of (a row of R' and a column of R; t with a column of R',
// and t'). The bound is loose enough for an inverse a host computes in
// single precision (whose misses grow with the camera's distance over its
// scale, to about 1e-3 for cameras 1e4 units away), yet an answer off by a
// whole unit fails: one the host could not invert (singular, or the
// inversion skipped), or one not written at all.
bool UndoesFrame(const double r[9], const double t[3], const double rInv[9], const double tInv[3]) {
    double rowInv[3], colR[3], colInv[3];
    for (int i = 0; i < 3; ++i) {
        rowInv[i] = std::hypot(rInv[i * 3], rInv[i * 3 + 1], rInv[i * 3 + 2]);
        colR[i] = std::hypot(r[i], r[3 + i], r[6 + i]);
        colInv[i] = std::hypot(rInv[i], rInv[3 + i], rInv[6 + i]);
    }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 3; ++k) sum += rInv[i * 3 + k] * r[k * 3 + j];
            if (!Near(sum, i == j ? 1.0 : 0.0, rowInv[i] * colR[j])) return false;
        }
    const double tSize = std::hypot(t[0], t[1], t[2]);
    for (int j = 0; j < 3; ++j) {
        double sum = tInv[j];
        for (int k = 0; k < 3; ++k) sum += t[k] * rInv[k * 3 + j];
        if (!Near(sum, 0.0, tSize * colInv[j] + std::fabs(tInv[j]))) return false;
    }
    return true;
}

// The frame from the camera's world matrix, or false (nothing written) when
// the host's answers do not make one: a value left unwritten or not finite,
// an inverse that does not undo the matrix, or no view axis.
bool ReadFrame(CKvUser_Matrix& matrix, CameraFrame& frame) {
    double rotation[9], translation[3], viewRotation[9], viewTranslation[3];
    std::fill_n(rotation, 9, kUnwritten);
    std::fill_n(translation, 3, kUnwritten);
    std::fill_n(viewRotation, 9, kUnwritten);
    std::fill_n(viewTranslation, 3, kUnwritten);
    matrix.Get3(rotation);
    matrix.GetOffset(translation);
    matrix.Invert();
    matrix.Get3(viewRotation);
    matrix.GetOffset(viewTranslation);
    if (!AllFinite(rotation, 9) || !AllFinite(translation, 3) || !AllFinite(viewRotation, 9) ||
        !AllFinite(viewTranslation, 3) || !UndoesFrame(rotation, translation, viewRotation, viewTranslation))
        return false;
    const double len = std::sqrt(rotation[6] * rotation[6] + rotation[7] * rotation[7] + rotation[8] * rotation[8]);
    if (!(len > 0.0) || !std::isfinite(len)) return false;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            frame.rotation[r][c] = rotation[r * 3 + c];
            frame.viewRotation[r][c] = viewRotation[r * 3 + c];
        }
    for (int i = 0; i < 3; ++i) {
        frame.viewTranslation[i] = viewTranslation[i];
        frame.viewAxis[i] = rotation[6 + i] / len;
    }
    return true;
}

// A locator's world position (the translation of its matrix), or false
// when the host writes none that is finite.
bool ReadPosition(CKvUser_Matrix& matrix, double position[3]) {
    double read[3] = {kUnwritten, kUnwritten, kUnwritten};
    matrix.GetOffset(read);
    if (!AllFinite(read, 3)) return false;
    std::copy_n(read, 3, position);
    return true;
}

float ReadFloat(CKvUser_Attributes& attr, uint32_t evalIndex) {
    return evalIndex == kUnlinked ? 0.0f : static_cast<float>(attr.GetFlt(evalIndex));
}

}  // namespace

CameraLens PatternLinks::read(CKvUser_Attributes& attr) {
    CameraLens lens;
    if (cameraLinked()) {
        lens.focusDist = ReadFloat(attr, m_camera[kCamFocusDist].evalIndex);
        lens.apertureX = ReadFloat(attr, m_camera[kCamApertureX].evalIndex);
        lens.apertureY = ReadFloat(attr, m_camera[kCamApertureY].evalIndex);
        lens.focalLen = ReadFloat(attr, m_camera[kCamFocalLen].evalIndex);
        CKvUser_Matrix matrix;
        if (ReadMatrix(attr, m_camera[kCamWorldMatrix].evalIndex, matrix)) ReadFrame(matrix, m_frame);
        // A focal length of 0 or less projects nothing; its scales stay 1
        // rather than infinite.
        const bool lensOk = lens.focalLen > 0.0f;
        m_frame.screenScaleX = lensOk ? static_cast<float>(0.5 * lens.apertureX / lens.focalLen) : 1.0f;
        m_frame.screenScaleY = lensOk ? static_cast<float>(0.5 * lens.apertureY / lens.focalLen) : 1.0f;
    } else {
        m_frame.screenScaleX = m_frame.screenScaleY = 1.0f;
    }
    for (std::size_t i = 0; i < m_points.size(); ++i) {
        ControlPoint& point = m_points[i];
        CKvUser_Matrix matrix;
        if (ReadMatrix(attr, point.worldMatrix.evalIndex, matrix)) ReadPosition(matrix, point.position);
        point.view.weight = 1.0f;
        if (cameraLinked()) ProjectLocator(m_frame, lens, point.position, point.view);
        m_views[i] = point.view;
    }
    return lens;
}

}  // namespace kv::shader
