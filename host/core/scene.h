// The scene model: items of named types, each with channels, an envelope
// store shared by the "setup" and "edit" actions, the "shadeLoc" item graph
// and the render camera.
//
//   Scene& scene = session.scene();
//   SceneItem* cam = scene.camera();                 // null without a camera
//   double focal = cam->Value("focalLen");
//   const Mat4& world = cam->WorldMatrix();          // rows: right, down, forward, position
//   SceneItem* clip = scene.FindItem("paper");
//
// Items are host objects (Item interface); the scene holds one reference to
// each and drops it when destroyed. Channels are numbered as AddChannel built
// them: an "RGB" channel "c" is three channels "c.R", "c.G", "c.B" and no
// channel "c". Channel values are kept as doubles (integers and booleans
// exactly); a channel may also carry an object value (Attributes slot 9):
// a gradient (GradientFilter over its envelope), a world matrix (a fresh
// Matrix copy each read) or an image stack (the clip's ImageFilter).
//
// Threads: the scene is built and changed on one thread before shading; the
// per-sample path only reads it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/host_object.h"
#include "core/matrix.h"

namespace kvh {

class Scene;
class SceneService;
class Envelope;
struct ImageData;

enum class ChannelKind { Float, Integer, Boolean };
enum class ObjectValue { None, Gradient, Matrix, ImageStack };

struct HintRow {
    int32_t value;
    std::string text;
    bool hasText;  // false for the (-1, null) end row
};

struct Channel {
    std::string name;      // component channels carry ".R", ".G", ".B"
    std::string typeName;  // "float", "percent", "color1", ...
    ChannelKind kind = ChannelKind::Float;
    double value = 0.0;
    double defaultValue = 0.0;
    ObjectValue object = ObjectValue::None;
    std::string gradientInput;       // AddChannel slot 4 argument
    std::vector<HintRow> hints;      // AddChannel slot 9 rows, end row included
    int32_t vectorGroup = -1;        // index of the ".R" channel for components
};

// Keys of one channel envelope: sorted by input, one key per input.
struct Key {
    double input;
    double value;
    int32_t slopeType = 0;
    int32_t slopeSide = 0;
};

// Gradient evaluation: linear between keys, clamped to the end keys outside;
// no keys gives `fallback`.
double EvaluateKeys(const std::vector<Key>& keys, double x, double fallback);

class SceneItem final : public HostObject {
public:
    SceneItem(Scene& scene, std::string name, std::string typeName, uint32_t typeCode,
              std::vector<Channel> channels);

    void* Query(const st_KVtGUID& iid) override;
    vt_IKvUnknown** ptr() { return item_.ptr(); }

    const std::string& name() const { return name_; }
    const std::string& typeName() const { return typeName_; }
    uint32_t typeCode() const { return typeCode_; }
    Scene& scene() { return scene_; }

    const std::vector<Channel>& channels() const { return channels_; }
    std::vector<Channel>& channels() { return channels_; }
    int32_t ChannelIndex(const std::string& name) const;  // -1 when absent
    // Value of a channel by name (0 when absent).
    double Value(const std::string& name) const;
    bool SetValue(const std::string& name, double v);
    // Removes a channel (tests: an item that lacks a linked channel).
    bool RemoveChannel(const std::string& name);
    // Adds a channel at the end; returns its index.
    uint32_t AddChannel(Channel c);

    // World matrix of "worldMatrix" channels (camera, locator).
    const Mat4& WorldMatrix() const { return world_; }
    void SetWorldMatrix(const Mat4& m) { world_ = m; }

    // Image behind the "imageStack" channel of a clip; `filterMode` selects a
    // test variant: 0 a working ImageFilter, 1 a filter whose Generate fails,
    // 2 an object value that is not an ImageFilter, 3 a filter that answers
    // with the picture at its own size.
    void SetImage(std::shared_ptr<const ImageData> image) { image_ = std::move(image); }
    const std::shared_ptr<const ImageData>& image() const { return image_; }
    int filterMode = 0;

    // Forward links of the "shadeLoc" graph, in link order (borrowed items).
    std::vector<SceneItem*>& links() { return links_; }

    // Per-channel sample drivers (index into Session's driver table), -1 none.
    std::vector<int32_t>& drivers() { return drivers_; }

private:
    ~SceneItem() override = default;
    Scene& scene_;
    std::string name_;
    std::string typeName_;
    uint32_t typeCode_;
    std::vector<Channel> channels_;
    std::vector<int32_t> drivers_;
    Mat4 world_;
    std::shared_ptr<const ImageData> image_;
    std::vector<SceneItem*> links_;
    ComInterface item_;
};

class Scene final : public HostObject {
public:
    explicit Scene(SceneService& types);
    // Drops the scene's references to its items and objects.
    void Clear();

    void* Query(const st_KVtGUID& iid) override;
    vt_IKvUnknown** ptr() { return scene_.ptr(); }

    // Creates an item of a registered type (the type is registered when new);
    // null when the name is taken. The scene keeps the reference.
    SceneItem* CreateItem(const std::string& name, const std::string& typeName, std::vector<Channel> channels);
    SceneItem* FindItem(const std::string& name) const;
    const std::vector<SceneItem*>& items() const { return items_; }
    // The item behind any interface pointer of one of the scene's items.
    SceneItem* Resolve(vt_IKvUnknown** p) const;

    // Render camera 0 (Scene slot 37); null when the scene has none.
    SceneItem* camera() const { return camera_; }
    // Makes a "camera" item with "focalLen", "apertureX", "apertureY",
    // "focusDist" and "worldMatrix" channels and the given world matrix.
    SceneItem* CreateCamera(const std::string& name, double focalLen, double apertureX, double apertureY,
                            double focusDist, const Mat4& world);
    // A "locator" item with a "worldMatrix" channel.
    SceneItem* CreateLocator(const std::string& name, const Mat4& world);
    // A "videoClip" item with an "imageStack" channel.
    SceneItem* CreateClip(const std::string& name, std::shared_ptr<const ImageData> image);

    // Envelope store: one per (item, channel), shared by "setup" and "edit".
    Envelope* FindEnvelope(const SceneItem* item, uint32_t channel) const;
    Envelope& EnvelopeFor(SceneItem* item, uint32_t channel);  // made if needed
    // Replaces a channel's keys (scene files and tests).
    void SetKeys(SceneItem* item, uint32_t channel, std::vector<Key> keys);
    std::vector<Key> Keys(const SceneItem* item, uint32_t channel) const;

    // Test switches: Scene slot 24 fails while false.
    bool graphAvailable = true;

    // Gradient override for tests: when set, GradientFilters of this
    // (item, channel) call it instead of evaluating the keys.
    using GradientFn = double (*)(void* user, double x);
    void SetGradientOverride(const SceneItem* item, uint32_t channel, GradientFn fn, void* user);
    std::pair<GradientFn, void*> GradientOverride(const SceneItem* item, uint32_t channel) const;

    SceneService& types() { return types_; }

    // Called with every camera, locator and clip once it is complete, so that
    // scene-item listeners hear of them (material items are announced by
    // their road, after the channels exist).
    std::function<void(SceneItem*)> itemAdded;

    // The objects answering Scene slots 13 and 24 (one each, scene-owned).
    HostObject& setupAccess() { return *setup_; }
    HostObject& editAccess() { return *edit_; }
    HostObject& graph() { return *graph_; }

private:
    ~Scene() override;
    SceneService& types_;
    std::vector<SceneItem*> items_;
    SceneItem* camera_ = nullptr;
    std::map<std::pair<const SceneItem*, uint32_t>, Envelope*> envelopes_;
    std::map<std::pair<const SceneItem*, uint32_t>, std::pair<GradientFn, void*>> gradientOverrides_;
    HostObject* setup_;
    HostObject* edit_;
    HostObject* graph_;
    ComInterface scene_;
};

}  // namespace kvh
