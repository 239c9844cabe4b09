// Scene files: JSON into the host's scene model and prepared material roads.
#include "core/scene_file.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <new>
#include <type_traits>
#include <stdexcept>
#include <vector>

#include "core/image.h"
#include "core/input_file.h"

namespace kvh {
namespace {

using nlohmann::json;

// A bad value: `where` is the key path ("materials.m1.channels.tintWarm").
struct SceneError : std::runtime_error {
    SceneError(const std::string& where, const std::string& what) : std::runtime_error(where + ": " + what) {}
};

std::string Key(const std::string& path, const std::string& key) { return path.empty() ? key : path + "." + key; }
std::string At(const std::string& path, size_t i) { return path + "[" + std::to_string(i) + "]"; }

void CheckKeys(const json& j, const std::string& path, std::initializer_list<const char*> known) {
    if (!j.is_object()) throw SceneError(path, "expected an object");
    for (auto it = j.begin(); it != j.end(); ++it) {
        bool ok = false;
        for (const char* k : known) ok = ok || it.key() == k;
        if (!ok) throw SceneError(Key(path, it.key()), "unknown key");
    }
}

double Number(const json& j, const std::string& path) {
    if (!j.is_number()) throw SceneError(path, "expected a number");
    double v = j.get<double>();
    if (!std::isfinite(v) || std::fabs(v) > 1e30) throw SceneError(path, "number out of range");
    return v;
}

// A coordinate: a number within the bound the ray tracer handles.
double Coordinate(const json& j, const std::string& path) {
    double v = Number(j, path);
    if (std::fabs(v) > kMaxCoordinate) throw SceneError(path, CoordinateBoundMessage());
    return v;
}

void Point(const json& j, const std::string& path, double out[3]) {
    if (!j.is_array() || j.size() != 3) throw SceneError(path, "expected an array of 3 numbers");
    for (size_t i = 0; i < 3; ++i) out[i] = Coordinate(j[i], At(path, i));
}

double Positive(const json& j, const std::string& path) {
    double v = Number(j, path);
    if (!(v > 0)) throw SceneError(path, "must be greater than 0");
    return v;
}

void Triple(const json& j, const std::string& path, double out[3]) {
    if (!j.is_array() || j.size() != 3) throw SceneError(path, "expected an array of 3 numbers");
    for (size_t i = 0; i < 3; ++i) out[i] = Number(j[i], At(path, i));
}

// A number (true and false count as 1 and 0), or three numbers for a
// colour; returns the count (1 or 3).
int Value(const json& j, const std::string& path, double out[3]) {
    if (j.is_boolean()) {
        out[0] = out[1] = out[2] = j.get<bool>() ? 1.0 : 0.0;
        return 1;
    }
    if (j.is_array()) {
        Triple(j, path, out);
        return 3;
    }
    out[0] = out[1] = out[2] = Number(j, path);
    return 1;
}

std::string String(const json& j, const std::string& path) {
    if (!j.is_string() || j.get<std::string>().empty()) throw SceneError(path, "expected a non-empty string");
    return j.get<std::string>();
}

const char* const kComponents[3] = {".R", ".G", ".B"};

// Channel targets of a name: three components for [r, g, b], else the name.
std::vector<std::string> Targets(const std::string& channel, int count) {
    if (count == 1) return {channel};
    return {channel + kComponents[0], channel + kComponents[1], channel + kComponents[2]};
}

Pattern ReadPattern(const json& j, const std::string& path) {
    CheckKeys(j, path, {"type", "value", "a", "b", "scale"});
    if (!j.contains("type")) throw SceneError(Key(path, "type"), "missing (constant, checker, ramp-u or ramp-v)");
    std::string type = String(j["type"], Key(path, "type"));
    Pattern p;
    double a[3] = {0, 0, 0}, b[3] = {1, 1, 1};
    if (type == "constant") {
        p.type = Pattern::Type::Constant;
        if (!j.contains("value")) throw SceneError(Key(path, "value"), "missing");
        Value(j["value"], Key(path, "value"), a);
    } else if (type == "checker" || type == "ramp-u" || type == "ramp-v") {
        p.type = type == "checker" ? Pattern::Type::Checker
                 : type == "ramp-u" ? Pattern::Type::RampU
                                    : Pattern::Type::RampV;
        if (j.contains("value")) throw SceneError(Key(path, "value"), "only constant patterns take a value");
        if (j.contains("a")) Value(j["a"], Key(path, "a"), a);
        if (j.contains("b")) Value(j["b"], Key(path, "b"), b);
        if (j.contains("scale")) p.scale = float(Positive(j["scale"], Key(path, "scale")));
    } else {
        throw SceneError(Key(path, "type"), "unknown pattern '" + type + "' (constant, checker, ramp-u or ramp-v)");
    }
    for (int c = 0; c < 3; ++c) {
        p.a[c] = float(a[c]);
        p.b[c] = float(b[c]);
    }
    return p;
}

MaterialRoad::Options ReadMaterial(const json& j, const std::string& path, const std::string& name) {
    MaterialRoad::Options o;
    o.itemName = name;
    if (j.contains("channels")) {
        const std::string p = Key(path, "channels");
        if (!j["channels"].is_object()) throw SceneError(p, "expected an object of channel values");
        for (auto it = j["channels"].begin(); it != j["channels"].end(); ++it) {
            double v[3];
            int n = Value(it.value(), Key(p, it.key()), v);
            std::vector<std::string> t = Targets(it.key(), n);
            for (size_t c = 0; c < t.size(); ++c) o.values.push_back({t[c], v[c]});
        }
    }
    if (j.contains("gradients")) {
        const std::string p = Key(path, "gradients");
        if (!j["gradients"].is_object()) throw SceneError(p, "expected an object of key lists");
        for (auto it = j["gradients"].begin(); it != j["gradients"].end(); ++it) {
            const std::string kp = Key(p, it.key());
            const json& keys = it.value();
            if (!keys.is_array() || keys.empty()) throw SceneError(kp, "expected a list of [input, value] keys");
            std::vector<ChannelKeys> per;
            for (size_t i = 0; i < keys.size(); ++i) {
                const json& k = keys[i];
                if (!k.is_array() || k.size() != 2) throw SceneError(At(kp, i), "expected [input, value]");
                double input = Number(k[0], At(kp, i) + "[0]");
                double v[3];
                int n = Value(k[1], At(kp, i) + "[1]", v);
                std::vector<std::string> t = Targets(it.key(), n);
                if (i == 0)
                    for (const auto& name : t) per.push_back({name, {}});
                else if (t.size() != per.size())
                    throw SceneError(At(kp, i), "every key needs the same kind of value as the first");
                for (size_t c = 0; c < t.size(); ++c) per[c].keys.push_back({input, v[c]});
            }
            for (auto& c : per) o.gradients.push_back(std::move(c));
        }
    }
    if (j.contains("drivers")) {
        const std::string p = Key(path, "drivers");
        if (!j["drivers"].is_object()) throw SceneError(p, "expected an object of patterns");
        for (auto it = j["drivers"].begin(); it != j["drivers"].end(); ++it) {
            Pattern pat = ReadPattern(it.value(), Key(p, it.key()));
            o.drivers.push_back({it.key(), pat, 0});
        }
    }
    if (j.contains("layers")) {
        const std::string p = Key(path, "layers");
        if (!j["layers"].is_array()) throw SceneError(p, "expected an array of texture layers");
        for (size_t i = 0; i < j["layers"].size(); ++i) {
            const json& l = j["layers"][i];
            const std::string lp = At(p, i);
            CheckKeys(l, lp, {"value", "opacity", "pattern"});
            TextureLayer layer;
            if (!l.contains("value")) throw SceneError(Key(lp, "value"), "missing (a packet-effect value name)");
            layer.value = String(l["value"], Key(lp, "value"));
            if (l.contains("opacity")) {
                double op = Number(l["opacity"], Key(lp, "opacity"));
                if (op < 0 || op > 1) throw SceneError(Key(lp, "opacity"), "must be from 0 to 1");
                layer.opacity = float(op);
            }
            if (!l.contains("pattern")) throw SceneError(Key(lp, "pattern"), "missing");
            layer.pattern = ReadPattern(l["pattern"], Key(lp, "pattern"));
            o.layers.push_back(layer);
        }
    }
    if (j.contains("links")) {
        const std::string p = Key(path, "links");
        if (!j["links"].is_array()) throw SceneError(p, "expected an array of item names");
        for (size_t i = 0; i < j["links"].size(); ++i) o.links.push_back(String(j["links"][i], At(p, i)));
    }
    return o;
}

// A value whose shape does not fit its channel: one number for a colour
// (whose components are "c.R", "c.G", "c.B"), or three for a plain number.
void CheckShape(const SceneItem& item, const std::string& channel, bool three, const std::string& path) {
    const bool plain = item.ChannelIndex(channel) >= 0;
    const bool colour = item.ChannelIndex(channel + kComponents[0]) >= 0;
    if (!three && colour && !plain) throw SceneError(path, "a colour takes an array of 3 numbers");
    if (three && plain && !colour) throw SceneError(path, "takes a number, not an array");
}

void CheckValueShapes(const SceneItem& item, const json& m, const std::string& path) {
    if (m.contains("channels"))
        for (auto it = m["channels"].begin(); it != m["channels"].end(); ++it)
            CheckShape(item, it.key(), it.value().is_array(), Key(Key(path, "channels"), it.key()));
    if (m.contains("gradients"))
        for (auto it = m["gradients"].begin(); it != m["gradients"].end(); ++it)
            CheckShape(item, it.key(), it.value()[0][1].is_array(), Key(Key(path, "gradients"), it.key()) + "[0][1]");
}

// Width and height the renderer will use: the "render" section, else its defaults.
void ImageSize(const json& doc, double* w, double* h) {
    *w = 320;
    *h = 240;
    if (!doc.contains("render") || !doc["render"].is_object()) return;
    const json& r = doc["render"];
    if (r.contains("width") && r["width"].is_number() && r["width"].get<double>() > 0) *w = r["width"].get<double>();
    if (r.contains("height") && r["height"].is_number() && r["height"].get<double>() > 0)
        *h = r["height"].get<double>();
}

void ReadCamera(Scene& scene, const json& doc) {
    const std::string path = "camera";
    const json& j = doc["camera"];
    CheckKeys(j, path, {"name", "position", "target", "rotation", "up", "focalLen", "apertureX", "apertureY",
                        "focusDist"});
    std::string name = j.contains("name") ? String(j["name"], Key(path, "name")) : "camera";
    double eye[3] = {0, 0, 5};
    if (j.contains("position")) Point(j["position"], Key(path, "position"), eye);
    if (j.contains("target") && j.contains("rotation"))
        throw SceneError(path, "give either \"target\" or \"rotation\", not both");
    Mat4 world = Mat4::Translation(eye[0], eye[1], eye[2]);
    if (j.contains("target")) {
        double target[3], up[3] = {0, 1, 0};
        Point(j["target"], Key(path, "target"), target);
        if (j.contains("up")) Triple(j["up"], Key(path, "up"), up);
        if (!Mat4::LookAt(eye, target, up, &world))
            throw SceneError(Key(path, "target"), "the target must differ from the position and not lie along \"up\"");
    } else if (j.contains("rotation")) {
        if (j.contains("up")) throw SceneError(Key(path, "up"), "only used with \"target\"");
        double deg[3];
        Triple(j["rotation"], Key(path, "rotation"), deg);
        world = Mat4::FromEulerDegrees(eye, deg);
    } else if (j.contains("up")) {
        throw SceneError(Key(path, "up"), "only used with \"target\"");
    }
    double focal = j.contains("focalLen") ? Positive(j["focalLen"], Key(path, "focalLen")) : 0.05;
    double apX = j.contains("apertureX") ? Positive(j["apertureX"], Key(path, "apertureX")) : 0.036;
    double w, h;
    ImageSize(doc, &w, &h);
    // Square pixels unless the scene says otherwise.
    double apY = j.contains("apertureY") ? Positive(j["apertureY"], Key(path, "apertureY")) : apX * h / w;
    double focus = j.contains("focusDist") ? Positive(j["focusDist"], Key(path, "focusDist")) : 5.0;
    if (!scene.CreateCamera(name, focal, apX, apY, focus, world))
        throw SceneError(Key(path, "name"), "an item named '" + name + "' already exists");
}

void ReadItems(Scene& scene, const json& doc, const std::filesystem::path& folder, uint64_t memoryLimit) {
    const std::string path = "items";
    const json& items = doc["items"];
    if (!items.is_array()) throw SceneError(path, "expected an array of items");
    for (size_t i = 0; i < items.size(); ++i) {
        const json& j = items[i];
        const std::string ip = At(path, i);
        if (!j.is_object()) throw SceneError(ip, "expected an object");
        if (!j.contains("name")) throw SceneError(Key(ip, "name"), "missing");
        std::string name = String(j["name"], Key(ip, "name"));
        if (!j.contains("type")) throw SceneError(Key(ip, "type"), "missing (videoClip or locator)");
        std::string type = String(j["type"], Key(ip, "type"));
        if (scene.FindItem(name)) throw SceneError(Key(ip, "name"), "an item named '" + name + "' already exists");
        if (type == "videoClip") {
            CheckKeys(j, ip, {"name", "type", "image", "filter"});
            std::shared_ptr<const ImageData> image;
            if (j.contains("image")) {
                const std::string file = InputPath(folder.string(), String(j["image"], Key(ip, "image")));
                std::string why;
                image = LoadImageFile(file, &why, memoryLimit);
                if (!image) throw SceneError(Key(ip, "image"), why);
            } else {
                image = ProceduralHatching(256, 256);
            }
            int mode = 0;
            if (j.contains("filter")) {
                std::string f = String(j["filter"], Key(ip, "filter"));
                if (f == "ok") mode = 0;
                else if (f == "fail") mode = 1;
                else if (f == "none") mode = 2;
                else throw SceneError(Key(ip, "filter"), "expected \"ok\", \"fail\" or \"none\"");
            }
            SceneItem* clip = scene.CreateClip(name, std::move(image));
            clip->filterMode = mode;
        } else if (type == "locator") {
            CheckKeys(j, ip, {"name", "type", "position"});
            double p[3] = {0, 0, 0};
            if (j.contains("position")) Point(j["position"], Key(ip, "position"), p);
            scene.CreateLocator(name, Mat4::Translation(p[0], p[1], p[2]));
        } else {
            throw SceneError(Key(ip, "type"), "unknown item type '" + type + "' (videoClip or locator)");
        }
    }
}

// `building` follows what is being made, for a message when memory runs out.
std::unique_ptr<LoadedScene> Build(Session& session, const json& doc, const std::filesystem::path& folder,
                                   std::string& building) {
    CheckKeys(doc, "scene", {"description", "materials", "items", "camera", "lights", "objects", "render", "ambient",
                             "background"});
    if (doc.contains("description") && !doc["description"].is_string())
        throw SceneError("description", "expected a string");

    // Materials: read every entry and load its plug-in before the layout is fixed.
    struct Pending {
        std::string name, path, server;
        PluginLibrary* lib;
        MaterialRoad::Options options;
    };
    std::vector<Pending> pending;
    if (doc.contains("materials")) {
        const json& mats = doc["materials"];
        if (!mats.is_object()) throw SceneError("materials", "expected an object of named materials");
        for (auto it = mats.begin(); it != mats.end(); ++it) {
            const std::string mp = Key("materials", it.key());
            building = mp;
            const json& m = it.value();
            CheckKeys(m, mp, {"plugin", "server", "channels", "gradients", "drivers", "layers", "links"});
            if (!m.contains("plugin")) throw SceneError(Key(mp, "plugin"), "missing (a plug-in file such as tepidon.kv)");
            if (!m.contains("server")) throw SceneError(Key(mp, "server"), "missing (the material server name)");
            std::string plugin = String(m["plugin"], Key(mp, "plugin"));
            std::string server = String(m["server"], Key(mp, "server"));
            MaterialRoad::Options options = ReadMaterial(m, mp, it.key());
            HostError err;
            PluginLibrary* lib = session.LoadPlugin(plugin, &err, {folder.string()});
            if (!lib) throw SceneError(Key(mp, "plugin"), err.message);
            if (!lib->FindServer(server)) {
                std::string names;
                for (const ServerInfo& s : lib->servers())
                    if (s.Tag("server.logsubsystem") == "comp-shader") names += (names.empty() ? "" : ", ") + s.name;
                throw SceneError(Key(mp, "server"), "unknown material '" + server + "' in " + plugin +
                                                        " (materials: " + (names.empty() ? "none" : names) + ")");
            }
            pending.push_back({it.key(), mp, server, lib, std::move(options)});
        }
    }

    Scene& scene = session.scene();
    building = "items";
    if (doc.contains("items")) ReadItems(scene, doc, folder, session.memoryLimit());
    building = "camera";
    if (doc.contains("camera")) ReadCamera(scene, doc);
    building = "the scene's channel layout";
    for (const Pending& p : pending)
        if (scene.FindItem(p.name)) throw SceneError(p.path, "an item named '" + p.name + "' already exists");
    session.Layout();

    auto loaded = std::make_unique<LoadedScene>();
    loaded->folder = folder;
    // Every material item first, then the links: the order of the file never matters.
    std::vector<std::unique_ptr<MaterialRoad>> roads;
    for (Pending& p : pending) {
        building = p.path;
        roads.push_back(MaterialRoad::Create(session, *p.lib, p.server, std::move(p.options)));
        HostError err;
        if (KV_FAILED(roads.back()->MakeItem(&err))) throw SceneError(p.path, err.message);
        CheckValueShapes(*roads.back()->item(), doc["materials"][p.name], p.path);
    }
    for (size_t i = 0; i < pending.size(); ++i) {
        HostError err;
        if (KV_FAILED(roads[i]->Prepare(&err))) throw SceneError(pending[i].path, err.message);
        loaded->materials[pending[i].name] = std::move(roads[i]);
    }
    return loaded;
}

}  // namespace

bool ParsePattern(const nlohmann::json& j, const std::string& where, Pattern* out, HostError* err) {
    try {
        *out = ReadPattern(j, where);
        return true;
    } catch (const SceneError& e) {
        if (err) *err = {KV_E_FAILED, e.what()};
        return false;
    }
}

std::unique_ptr<LoadedScene> LoadSceneJson(Session& session, const nlohmann::json& doc,
                                           const std::filesystem::path& folder, HostError* err) {
    if (NestedDeeperThan(doc, kMaxSceneDepth)) {
        if (err) *err = {KV_E_FAILED, TooDeepMessage()};
        return nullptr;
    }
    std::string building = "the scene";
    try {
        return Build(session, doc, folder, building);
    } catch (const SceneError& e) {
        if (err) *err = {KV_E_FAILED, e.what()};
    } catch (const json::exception& e) {
        if (err) *err = {KV_E_FAILED, std::string("scene: ") + e.what()};
    } catch (const std::bad_alloc&) {
        if (err) *err = {KV_E_FAILED, building + ": out of memory building it"};
    }
    return nullptr;
}

namespace {

// Builds the document as the parser's own builder does, in one pass and in
// time linear in the text, and stops at the first array or object nested
// deeper than kMaxSceneDepth, before it is built, copied or walked.
class DocumentBuilder : public nlohmann::detail::json_sax_dom_parser<json> {
public:
    explicit DocumentBuilder(json& root) : json_sax_dom_parser(root, false) {}
    bool start_object(std::size_t n) { return Open() && json_sax_dom_parser::start_object(n); }
    bool start_array(std::size_t n) { return Open() && json_sax_dom_parser::start_array(n); }
    bool end_object() {
        --depth_;
        return json_sax_dom_parser::end_object();
    }
    bool end_array() {
        --depth_;
        return json_sax_dom_parser::end_array();
    }
    // The parser's complaint: where it stopped, the text it stopped on, and why.
    template <class Exception>
    bool parse_error(std::size_t position, const std::string& token, const Exception& e) {
        errorAt = position;
        errorToken = token;
        errorWhat = e.what();
        numberTooLarge = std::is_same_v<Exception, json::out_of_range> && e.id == 406;
        return false;
    }

    bool tooDeep = false;
    bool numberTooLarge = false;
    size_t errorAt = 0;
    std::string errorToken, errorWhat;

private:
    bool Open() {
        if (depth_ >= kMaxSceneDepth) {
            tooDeep = true;
            return false;
        }
        ++depth_;
        return true;
    }
    size_t depth_ = 0;
};

// "line 3, column 12" of the character at `offset` (both counted from 1).
std::string LineAndColumn(const std::string& text, size_t offset) {
    offset = std::min(offset, text.size());
    const size_t line = 1 + size_t(std::count(text.begin(), text.begin() + std::ptrdiff_t(offset), '\n'));
    const size_t lineStart = text.rfind('\n', offset == 0 ? 0 : offset - 1);
    const size_t column = lineStart == std::string::npos || offset == 0 ? offset + 1 : offset - lineStart;
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

bool ReadSceneDocument(const std::string& path, nlohmann::json* doc, HostError* err, uint64_t maxBytes) {
    auto fail = [&](KvResult code, const std::string& why) {
        if (err) *err = {code, path + ": " + why};
        *doc = json();
        return false;
    };
    json parsed;  // what was read of a document that fails goes without allocating
    DocumentRelease release(parsed);
    std::string text;
    try {
        std::string why;
        bool missing = false;
        if (!ReadInputFile(path, "the scene file", maxBytes, text, why, &missing))
            return fail(missing ? KV_E_NOTFOUND : KV_E_FAILED, why);
        DocumentBuilder builder(parsed);
        if (json::sax_parse(text, &builder)) {
            *doc = std::move(parsed);
            return true;
        }
        if (builder.tooDeep) return fail(KV_E_FAILED, TooDeepMessage());
        if (builder.numberTooLarge) {
            // The parser stops after the number: name where it starts.
            const size_t start = builder.errorAt - std::min(builder.errorAt, builder.errorToken.size());
            return fail(KV_E_FAILED, LineAndColumn(text, start) + ": number out of range ('" + builder.errorToken +
                                         "' is beyond what a double holds)");
        }
        return fail(KV_E_FAILED, "not valid JSON (" + builder.errorWhat + ")");
    } catch (const std::bad_alloc&) {
        // What was read goes without the allocations of the document's own destructor.
        std::string().swap(text);
        ReleaseDocument(parsed);
        return fail(KV_E_FAILED, "out of memory reading the scene file");
    }
}

void ReleaseDocument(nlohmann::json& doc) noexcept {
    // Removes the last value of the deepest last container, again and again:
    // what is removed holds nothing, so destroying it allocates nothing.
    auto last = [](json& j) -> json* {
        if (j.is_array() && !j.empty()) return &j.back();
        if (j.is_object() && !j.empty()) return &std::prev(j.get_ref<json::object_t&>().end())->second;
        return nullptr;
    };
    while (last(doc)) {
        json* parent = &doc;
        while (json* child = last(*parent)) {
            if (!last(*child)) break;
            parent = child;
        }
        if (parent->is_array()) parent->get_ref<json::array_t&>().pop_back();
        else parent->get_ref<json::object_t&>().erase(std::prev(parent->get_ref<json::object_t&>().end()));
    }
    doc = nullptr;
}

std::string CoordinateBoundMessage() { return "beyond the coordinate bound of 1e15"; }

std::string TooDeepMessage() { return "scene: nested deeper than " + std::to_string(kMaxSceneDepth) + " levels"; }

bool NestedDeeperThan(const nlohmann::json& doc, size_t levels) {
    // Depth first with one pair of iterators per open level: no recursion,
    // and memory bound by `levels` whatever the document's size.
    if (!doc.is_structured()) return false;
    if (levels == 0) return true;
    std::vector<std::pair<json::const_iterator, json::const_iterator>> open;
    open.reserve(levels);
    open.emplace_back(doc.cbegin(), doc.cend());
    while (!open.empty()) {
        auto& [next, end] = open.back();
        if (next == end) {
            open.pop_back();
            continue;
        }
        const json& child = *next++;
        if (!child.is_structured()) continue;
        if (open.size() + 1 > levels) return true;
        open.emplace_back(child.cbegin(), child.cend());
    }
    return false;
}

std::unique_ptr<LoadedScene> LoadSceneFile(Session& session, const std::string& path, HostError* err) {
    json doc;
    DocumentRelease release(doc);
    if (!ReadSceneDocument(path, &doc, err, session.memoryLimit())) return nullptr;
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) folder = ".";
    HostError local;
    auto scene = LoadSceneJson(session, doc, folder, &local);
    if (!scene && err) *err = {local.code, path + ": " + local.message};
    return scene;
}

}  // namespace kvh
