// Scene items a pattern material links to: the items it points at in the
// item graph "shadeLoc" (a video clip for an image, locators that steer the
// surface-flow pattern) and the scene's render camera 0. Linking and reading
// happen before sampling; per sample everything here is read-only.
#pragma once

#include <cstddef>
#include <vector>

#include <framework/framework.h>

#include "shader/shader_material.h"

namespace kv::shader {

// Walks the items linked forward from a material item in "shadeLoc", in link
// order, yielding those of one item type. No scene, no graph, an unknown
// type or a failed count yields nothing.
class ShadeLocWalk {
public:
    ShadeLocWalk(vt_IKvUnknown** item, const char* typeName);
    ShadeLocWalk(const ShadeLocWalk&) = delete;
    ShadeLocWalk& operator=(const ShadeLocWalk&) = delete;

    // Takes the next linked item of the type into `out`; false at the end
    // (`out` is then cleared). Links the host cannot fetch are skipped.
    bool next(CKvLocalizedObject& out);

private:
    vt_IKvUnknown** m_item;
    CKvUser_ItemGraph m_graph;
    unsigned m_type = 0;
    unsigned m_count = 0;
    unsigned m_next = 0;
};

// The first "videoClip" the material links to in "shadeLoc", taken into
// `clip`; false (and `clip` cleared) when there is none.
bool FindLinkedClip(vt_IKvUnknown** item, CKvUser_Item& clip);

// A locator as the per-sample coordinate sees it: its place on the screen
// and its depth from the render camera. Plain data: a material may copy the
// views into its per-evaluation block.
struct LocatorView {
    double screenX = 0.0;  // screen position in the pattern's screen frame:
    double screenY = 0.0;  // pixel position over the image width, minus 0.5
    double depth = 0.0;    // camera-space depth, in ray-distance units
    float weight = 1.0f;
};

// A locator linked to the material. New points are all zero but the weight;
// a copy takes its own reference on the item.
struct ControlPoint {
    CKvUser_Item item;
    LinkPair worldMatrix{kUnlinked, kUnlinked};
    double position[3] = {0.0, 0.0, 0.0};  // world position (translation of its "worldMatrix")
    LocatorView view;

    ControlPoint() = default;
    ControlPoint(const ControlPoint& other);
    ControlPoint& operator=(const ControlPoint& other);
};

// Appends one control point per "locator" linked in "shadeLoc", in link
// order; returns how many were appended.
unsigned FindLinkedLocators(vt_IKvUnknown** item, std::vector<ControlPoint>& points);

// The render camera's frame, in row vectors (p' = p·M). Camera axes: x to the
// right of the image, y down, z forward.
struct CameraFrame {
    double rotation[3][3] = {};         // R: rows are the camera axes in world space
    double viewRotation[3][3] = {};     // R': 3x3 part of the inverse world matrix
    double viewTranslation[3] = {};     // t': translation of the inverse world matrix
    float screenScaleX = 1.0f;          // 0.5 aperture x / focal length (1 without a camera)
    float screenScaleY = 1.0f;          // 0.5 aperture y / focal length (1 without a camera)
    double viewAxis[3] = {};            // R's third row at unit length: normals are flattened along it

    // Camera space of a world point: p·R' + t'.
    void toCamera(const double p[3], double q[3]) const;
};

// The camera's lens as the materials keep it in their blocks. Without a
// linked camera: focal length -1 and focus distance 1, apertures 0.
struct CameraLens {
    float focusDist = 1.0f;
    float apertureX = 0.0f;
    float apertureY = 0.0f;
    float focalLen = -1.0f;
};

// Camera links of the five channels, in this order.
enum CameraChannel : unsigned { kCamFocusDist, kCamApertureX, kCamApertureY, kCamFocalLen, kCamWorldMatrix,
                                kCameraChannelCount };
extern const char* const kCameraChannelNames[kCameraChannelCount];  // "focusDist" … "worldMatrix"

// Locator position on the screen: with focal length > 0, aperture x > 0 and
// depth q2 > 0, x = q0 / (2 sx q2), y = q1 / (2 sx q2) + 0.5 (aperture y /
// aperture x - 1), sx the screen scale x; square pixels make it exact.
// False (and `view` unchanged) otherwise; the weight is never touched.
bool ProjectLocator(const CameraFrame& frame, const CameraLens& lens, const double position[3], LocatorView& view);

// The camera and locators of one pattern material. The material calls
// link() from its cmt_LinkChannels after its own channels (and its clip),
// read() from its readExtra, and hands frame() and views() to the
// per-sample coordinate.
class PatternLinks {
public:
    // Looks up render camera 0's five channels and rebuilds the control
    // points from "shadeLoc" with their "worldMatrix" indices; then adds to
    // the evaluation the camera's channels (the first four as values,
    // "worldMatrix" as a matrix) and each locator's "worldMatrix" (as a
    // matrix). Without a camera every camera link is unlinked. Throws the
    // host's code when an add fails (a missing channel included).
    void link(vt_IKvUnknown** eval, vt_IKvUnknown** item);

    // Reads the lens and the camera frame, then each locator's position and
    // its projection. The matrix answers are judged by their data, not by
    // the codes the host returns: a "worldMatrix" that gives no matrix, a
    // value left unwritten or not finite, or an inverse that does not undo
    // the camera's matrix (to within 1 % of the sizes involved, which an
    // inverse computed in float meets) leaves the previous frame or position
    // in place.
    // Without a linked camera: the lens defaults, both screen scales 1, the
    // rest of the frame kept and no locator projected.
    CameraLens read(CKvUser_Attributes& attr);

    bool cameraLinked() const { return m_camera[kCamFocusDist].evalIndex != kUnlinked; }
    const LinkPair& cameraLink(unsigned channel) const { return m_camera[channel]; }
    const CameraFrame& frame() const { return m_frame; }
    const std::vector<ControlPoint>& points() const { return m_points; }
    // The points' views in the same order, as the per-sample coordinate reads them.
    const std::vector<LocatorView>& views() const { return m_views; }

private:
    LinkPair m_camera[kCameraChannelCount] = {{kUnlinked, kUnlinked}, {kUnlinked, kUnlinked},
                                              {kUnlinked, kUnlinked}, {kUnlinked, kUnlinked},
                                              {kUnlinked, kUnlinked}};
    CameraFrame m_frame;
    std::vector<ControlPoint> m_points;
    std::vector<LocatorView> m_views;
};

}  // namespace kv::shader
