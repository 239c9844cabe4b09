#include "plugin_listing.h"

#include <algorithm>
#include <iomanip>
#include <sstream>

#include "core/scene_objects.h"
#include "core/services.h"
#include "core/session.h"

namespace kvt {
namespace {

std::string hex(int32_t v) {
    std::ostringstream s;
    s << "0x" << std::hex << uint32_t(v);
    return s.str();
}

// Width of a column holding `names`: the longest and two spaces, so that no
// name runs into the next column, and never narrower than `least`.
template <class Names, class Name>
int columnWidth(const Names& names, Name name, size_t least) {
    size_t widest = least;
    for (const auto& n : names) widest = std::max(widest, name(n).size() + 2);
    return int(widest);
}

std::string defaultText(const kvh::Channel& c) {
    std::ostringstream s;
    if (c.kind == kvh::ChannelKind::Float) s << c.defaultValue;
    else s << int64_t(c.defaultValue);
    return s.str();
}

void listChannels(const kvh::PluginLibrary& lib, const kvh::ServerInfo& s, std::ostream& out) {
    kvh::ComRef obj;
    if (KV_FAILED(lib.Generate(s.name, &obj))) {
        out << "  (failed to generate)\n";
        return;
    }
    kvh::ComRef cm = obj.Query(kv::guid_CustomMaterial);
    if (!cm) return;
    auto* builder = new kvh::ChannelBuilder();
    cm.table<vt_IKvCustomMaterial>()->SetupChannels(cm.get(), builder->ptr());
    std::vector<kvh::Channel> channels = builder->Build();
    std::vector<std::string> warnings = builder->warnings;
    builder->ReleaseOwned();
    out << "  channels of item type \"material." << s.name << "\" (" << channels.size() << "):\n";
    const int nameWidth = columnWidth(channels, [](const kvh::Channel& c) { return std::string(c.name); }, 22);
    const int typeWidth = columnWidth(channels, [](const kvh::Channel& c) { return std::string(c.typeName); }, 10) - 1;
    for (size_t i = 0; i < channels.size(); ++i) {
        const kvh::Channel& c = channels[i];
        out << "    " << std::setw(3) << i << "  " << std::left << std::setw(nameWidth) << c.name << std::setw(typeWidth)
            << c.typeName << std::right << " default " << defaultText(c);
        if (c.object == kvh::ObjectValue::Gradient) out << "  gradient of \"" << c.gradientInput << "\"";
        if (!c.hints.empty()) {
            out << "  choices:";
            for (const kvh::HintRow& h : c.hints) {
                if (!h.hasText) break;
                if (h.value == -1) out << " list \"" << h.text << "\"";
                else out << " " << h.value << "=\"" << h.text << "\"";
            }
        }
        out << "\n";
    }
    for (const std::string& w : warnings) out << "    warning: " << w << "\n";
}

void listPacket(const kvh::PluginLibrary& lib, const kvh::ServerInfo& s, std::ostream& out) {
    kvh::ComRef obj;
    if (KV_FAILED(lib.Generate(s.name, &obj))) return;
    if (kvh::ComRef p = obj.Query(kv::guid_VectorPacket))
        out << "  packet size " << p.table<vt_IKvVectorPacket>()->Size(p.get()) << " bytes\n";
    kvh::ComRef fx = obj.Query(kv::guid_PacketEffect);
    if (!fx) return;
    const auto* t = fx.table<vt_IKvPacketEffect>();
    const char* packet = nullptr;
    t->Packet(fx.get(), &packet);
    uint32_t n = t->Count(fx.get());
    out << "  effect on packet \"" << (packet ? packet : "") << "\", " << n << " values:\n";
    struct Value {
        uint32_t index;
        std::string name, type;
        int32_t flags;
    };
    std::vector<Value> values;
    for (uint32_t i = 0; i < n && i < 1024; ++i) {
        const char *name = nullptr, *type = nullptr;
        int32_t flags = 0;
        if (KV_FAILED(t->ByIndex(fx.get(), int32_t(i), &name, &type, &flags))) continue;
        values.push_back({i, name ? name : "(null)", type ? type : "(null)", flags});
    }
    const int nameWidth = columnWidth(values, [](const Value& v) { return v.name; }, 22);
    const int typeWidth = columnWidth(values, [](const Value& v) { return v.type; }, 10) - 1;
    for (const Value& v : values)
        out << "    " << std::setw(3) << v.index << "  " << std::left << std::setw(nameWidth) << v.name
            << std::setw(typeWidth) << v.type << std::right << " flags " << hex(v.flags) << "\n";
}

}  // namespace

bool listPlugin(const std::string& file, std::ostream& out, std::string& error) {
    kvh::Session session;
    kvh::HostError err;
    kvh::PluginLibrary* lib = session.LoadPlugin(file, &err);
    if (!lib) {
        error = err.message;
        return false;
    }
    out << lib->path() << ": " << lib->servers().size() << " servers\n";
    for (const kvh::ServerInfo& s : lib->servers()) {
        out << "\nserver \"" << s.name << "\"";
        if (s.hasGuid) out << "  default interface " << kvh::FormatGuid(s.defaultGuid);
        out << "\n";
        const int tagWidth = columnWidth(s.tags, [](const auto& tag) { return std::string(tag.first); }, 22);
        for (const auto& [type, info] : s.tags) out << "  " << std::left << std::setw(tagWidth) << type << std::right << info << "\n";
        listChannels(*lib, s, out);
        listPacket(*lib, s, out);
    }
    for (const std::string& w : session.warnings()) out << "warning: " << w << "\n";
    return true;
}

}  // namespace kvt
