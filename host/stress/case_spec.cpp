#include "stress/case_spec.h"
#include "stress/report.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <set>

namespace kvs {
namespace {

// Base name of an RGB component channel ("c.R" -> "c"), "" for plain channels.
std::string GroupBase(const kvh::Channel& ch) {
    if (ch.vectorGroup < 0 || ch.name.size() < 2) return "";
    return ch.name.substr(0, ch.name.size() - 2);
}
uint32_t ComponentOf(const kvh::Channel& ch) {
    char c = ch.name.empty() ? 'R' : ch.name.back();
    return c == 'G' ? 1 : c == 'B' ? 2 : 0;
}

// A layer opacity within 0..1, as a scene file holds it, so that every case's
// scene loads: the draw of any percent value (the case's numbers after it stay
// those of its seed), folded into range and accounted as what it became.
float LayerOpacity(ValueSource& src) {
    const bool tame = src.taint().tame();
    const double drawn = src.Float("percent", 1.0);
    src.taint().Reset(tame);
    const double opacity = std::isnan(drawn) ? 1.0 : std::clamp(drawn, 0.0, 1.0);
    return float(src.taint().Note(opacity));
}

}  // namespace

nlohmann::json Number(double v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    return v;
}

kvh::Pattern RandomPattern(ValueSource& src, const std::string& type, double dflt, bool colour) {
    kvh::Pattern p;
    Rng& r = src.rng();
    p.type = static_cast<kvh::Pattern::Type>(r.Below(4));
    for (float* v : {p.a, p.b}) {
        if (colour) {
            for (int i = 0; i < 3; ++i) v[i] = float(src.Float(type, dflt));
        } else {
            v[0] = v[1] = v[2] = float(src.Float(type, dflt));
        }
    }
    // Checker cells: a positive scale, as scene files hold it.
    p.scale = p.type == kvh::Pattern::Type::Checker ? float(src.taint().Note(r.LogUniform(-2, 3))) : 1.0f;
    return p;
}

nlohmann::json PatternJson(const kvh::Pattern& p, bool colour) {
    auto value = [&](const float* v) -> nlohmann::json {
        if (!colour) return Number(v[0]);
        return nlohmann::json::array({Number(v[0]), Number(v[1]), Number(v[2])});
    };
    nlohmann::json j;
    switch (p.type) {
        case kvh::Pattern::Type::Constant:
            j["type"] = "constant";
            j["value"] = value(p.a);
            return j;
        case kvh::Pattern::Type::Checker:
            j["type"] = "checker";
            j["scale"] = Number(p.scale);
            break;
        case kvh::Pattern::Type::RampU: j["type"] = "ramp-u"; break;
        case kvh::Pattern::Type::RampV: j["type"] = "ramp-v"; break;
    }
    j["a"] = value(p.a);
    j["b"] = value(p.b);
    return j;
}

CaseSpec MakeCase(const MaterialInfo& m, uint64_t seed, ValueSource& src) {
    CaseSpec c;
    c.seed = seed;
    Rng& r = src.rng();
    c.extreme = src.profile() == Profile::Wild && r.Chance(0.5);
    src.SetExtreme(c.extreme);
    kvh::MaterialRoad::Options& o = c.options;
    o.itemName = m.server + "." + std::to_string(seed);
    double changed = r.Uniform(0.2, 1.0);  // share of channels away from their defaults
    for (size_t i = 0; i < m.channels.size(); ++i) {
        const kvh::Channel& ch = m.channels[i];
        if (ch.object == kvh::ObjectValue::Gradient && ComponentOf(ch) == 0 && r.Chance(0.5)) {
            // Keys of a gradient, shared by the components of an RGB group.
            size_t n = ch.vectorGroup >= 0 ? 3 : 1;
            uint32_t keys = 1 + r.Below(4);
            std::vector<double> inputs;
            for (uint32_t k = 0; k < keys; ++k) inputs.push_back(src.Float(ch.gradientInput, 0.5));
            for (size_t comp = 0; comp < n && i + comp < m.channels.size(); ++comp) {
                kvh::ChannelKeys ck{m.channels[i + comp].name, {}};
                for (double in : inputs) ck.keys.push_back({in, src.Float(ch.typeName, 0.5)});
                o.gradients.push_back(std::move(ck));
            }
        }
        if (r.Chance(changed)) o.values.push_back({ch.name, src.ForChannel(ch)});
        // Drivers give the same value in every component, so that the one a
        // driver reads does not matter (scene files do not name it).
        if (r.Chance(0.15)) o.drivers.push_back({ch.name, RandomPattern(src, ch.typeName, ch.defaultValue, false), 0});
    }
    // Links to the scene's locator and clip now and then (a linked clip may
    // make the material build an image at every read: kept rare).
    if (r.Chance(0.3)) o.links.push_back("kvstress.locator");
    if (r.Chance(0.08)) o.links.insert(r.Chance(0.5) ? o.links.begin() : o.links.end(), "kvstress.clip");
    uint32_t layers = m.effects.empty() || r.Chance(0.5) ? 0 : r.Below(4);
    for (uint32_t l = 0; l < layers; ++l) {
        const EffectValue& e = m.effects[r.Below(uint32_t(m.effects.size()))];
        o.layers.push_back({e.name, LayerOpacity(src), RandomPattern(src, e.type, 0.5, e.floats() == 3)});
    }
    // A second locator, and a camera that projects nothing.
    if (r.Chance(0.2)) o.links.push_back("kvstress.locator2");
    c.zeroCamera = r.Chance(0.1);
    return c;
}

CaseSpec MakeCase(const MaterialInfo& m, uint64_t seed) {
    Rng rng = CaseRng(seed, m);
    Taint taint;
    ValueSource src(rng, taint, Profile::Wild);
    return MakeCase(m, seed, src);
}

nlohmann::json CaseScene(const std::string& pluginFile, const MaterialInfo& m, const CaseSpec& c) {
    const kvh::MaterialRoad::Options& o = c.options;
    nlohmann::json mat;
    mat["plugin"] = pluginFile;
    mat["server"] = m.server;
    // Values by channel, then groups written as [r, g, b].
    std::map<std::string, double> value;
    for (const kvh::Channel& ch : m.channels) value[ch.name] = ch.defaultValue;
    std::set<std::string> set;
    for (const kvh::ChannelValue& v : o.values) value[v.channel] = v.value, set.insert(v.channel);
    nlohmann::json channels = nlohmann::json::object();
    for (const kvh::Channel& ch : m.channels) {
        std::string base = GroupBase(ch);
        if (base.empty()) {
            if (set.count(ch.name)) channels[ch.name] = Number(value[ch.name]);
        } else if (ComponentOf(ch) == 0 && (set.count(base + ".R") || set.count(base + ".G") || set.count(base + ".B"))) {
            channels[base] = {Number(value[base + ".R"]), Number(value[base + ".G"]), Number(value[base + ".B"])};
        }
    }
    mat["channels"] = channels;
    nlohmann::json gradients = nlohmann::json::object();
    for (size_t i = 0; i < o.gradients.size(); ++i) {
        const kvh::ChannelKeys& g = o.gradients[i];
        bool group = g.channel.size() > 2 && g.channel.compare(g.channel.size() - 2, 2, ".R") == 0 &&
                     i + 2 < o.gradients.size();
        nlohmann::json keys = nlohmann::json::array();
        for (size_t k = 0; k < g.keys.size(); ++k) {
            nlohmann::json v = Number(g.keys[k].value);
            if (group) v = {Number(g.keys[k].value), Number(o.gradients[i + 1].keys[k].value),
                            Number(o.gradients[i + 2].keys[k].value)};
            keys.push_back({Number(g.keys[k].input), v});
        }
        gradients[group ? g.channel.substr(0, g.channel.size() - 2) : g.channel] = keys;
        if (group) i += 2;
    }
    if (!gradients.empty()) mat["gradients"] = gradients;
    nlohmann::json drivers = nlohmann::json::object();
    for (const kvh::ChannelDriver& d : o.drivers) drivers[d.channel] = PatternJson(d.pattern, false);
    if (!drivers.empty()) mat["drivers"] = drivers;
    nlohmann::json layers = nlohmann::json::array();
    for (const kvh::TextureLayer& l : o.layers) {
        bool colour = false;
        for (const EffectValue& e : m.effects)
            if (e.name == l.value) colour = e.floats() == 3;
        layers.push_back({{"value", l.value}, {"opacity", Number(l.opacity)}, {"pattern", PatternJson(l.pattern, colour)}});
    }
    if (!layers.empty()) mat["layers"] = layers;
    if (!o.links.empty()) mat["links"] = o.links;
    nlohmann::json doc;
    doc["description"] = "kvstress case seed " + std::to_string(c.seed) + " of material '" + m.server +
                         "'. Host sample data is not part of a scene: replay exactly with kvstress " + pluginFile +
                         " --material " + m.server + " --only fuzz --seed " + std::to_string(c.seed) +
                         " --cases 1" + (c.extreme ? ". Values written as \"nan\", \"inf\" or beyond 1e30 are not scene numbers." : ".") +
                         (c.zeroCamera ? " The case ran with every camera lens value 0, which a scene file cannot hold." : "");
    doc["materials"][o.itemName] = mat;
    // One sphere in the material, lit, in a small picture.
    doc["objects"] = {{{"name", "probe"}, {"shape", "sphere"}, {"position", {0, 0, 0}}, {"material", o.itemName},
                       {"surface", {{"diffuse", {0.8, 0.8, 0.8}}, {"specular", {0.5, 0.5, 0.5}}, {"specularExponent", 40}}}}};
    doc["lights"] = {{{"type", "distant"}, {"direction", {-1.0, -0.8, 0.6}}, {"colour", {1, 1, 1}}, {"intensity", 1.0},
                      {"shadows", false}}};
    doc["render"] = {{"width", 96}, {"height", 64}, {"spp", 1}};  // the camera's aperture is 3:2
    // The items the runner's scene holds beside the material.
    doc["items"] = {{{"name", "kvstress.clip"}, {"type", "videoClip"}, {"filter", "ok"}},
                    {{"name", "kvstress.locator"}, {"type", "locator"}, {"position", {0.5, 0.25, 1.0}}},
                    {{"name", "kvstress.locator2"}, {"type", "locator"}, {"position", {-0.4, -0.3, 2.0}}}};
    doc["camera"] = {{"position", {0, 0, -5}}, {"target", {0, 0, 0}}, {"up", {0, 1, 0}}, {"focalLen", 0.05},
                     {"apertureX", 0.036}, {"apertureY", 0.024}, {"focusDist", 5}};
    return doc;
}

std::string WriteCaseScene(const std::filesystem::path& dir, const std::string& pluginFile, const MaterialInfo& m,
                           const CaseSpec& c, std::string* error) {
    const std::filesystem::path file = dir / ("kvstress-" + m.server + "-" + std::to_string(c.seed) + ".json");
    auto fail = [&](const std::string& why) {
        if (error) *error = "cannot write '" + file.string() + "': " + why;
        return std::string();
    };
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) return fail(ec.message());
    std::ofstream out(file);
    if (!out) return fail(std::strerror(errno));
    out << CaseScene(pluginFile, m, c).dump(2) << "\n";
    out.close();
    if (!out) return fail(std::strerror(errno));
    if (error) error->clear();
    return file.string();
}

std::string CaseSceneLine(const std::filesystem::path& dir, const std::string& pluginFile, const MaterialInfo& m,
                          const CaseSpec& c) {
    std::string error;
    const std::string path = WriteCaseScene(dir, pluginFile, m, c, &error);
    return SceneLine(path, error);
}

}  // namespace kvs
