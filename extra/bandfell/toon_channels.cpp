#include "toon_channels.h"

#include <array>
#include <cstdio>
#include <string>

#include "toon_layout.h"

namespace toon_channels {
namespace {

constexpr uint16_t Off(size_t o) { return static_cast<uint16_t>(o); }

uint16_t BandOffset(int band, int field) {
    static const size_t fields[kBandFields] = {
        offsetof(ToonBand, start),    offsetof(ToonBand, soft),     offsetof(ToonBand, color),
        offsetof(ToonBand, color) + 4, offsetof(ToonBand, color) + 8, offsetof(ToonBand, alpha),
        offsetof(ToonBand, useGrad)};
    return Off(offsetof(ToonPacketData, bands) + sizeof(ToonBand) * band + fields[field]);
}

std::string Numbered(const char* format, int n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, n);
    return buf;
}

struct Table {
    std::array<std::string, kLinkCount> names;
    std::array<Link, kLinkCount> links;

    Table() {
        const Link head[kBandFirst] = {
            {"specGrad", Kind::Gradient, 0},
            {"reflGrad", Kind::Gradient, 0},
            {"diffBands", Kind::Count, Off(offsetof(ToonPacketData, diffBands))},
            {"specBands", Kind::Count, Off(offsetof(ToonPacketData, specBands))},
            {"reflBands", Kind::Count, Off(offsetof(ToonPacketData, reflBands))},
            {"diffLevel", Kind::Float, Off(offsetof(ToonPacketData, diffLevel))},
            {"specLevel", Kind::Float, Off(offsetof(ToonPacketData, specLevel))},
            {"reflLevel", Kind::Float, Off(offsetof(ToonPacketData, reflLevel))},
            {"diffShift", Kind::Float, Off(offsetof(ToonPacketData, diffShift))},
            {"shadows", Kind::Float, Off(offsetof(ToonPacketData, shadows))},
            {"indirectLight", Kind::Float, Off(offsetof(ToonPacketData, indirectLight))},
            {"baseAlpha", Kind::Float, Off(offsetof(ToonPacketData, baseAlpha))},
            {"baseColor.R", Kind::Float, Off(offsetof(ToonPacketData, baseColor))},
            {"baseColor.G", Kind::Float, Off(offsetof(ToonPacketData, baseColor) + 4)},
            {"baseColor.B", Kind::Float, Off(offsetof(ToonPacketData, baseColor) + 8)},
        };
        for (unsigned i = 0; i < kBandFirst; ++i) names[i] = head[i].name, links[i] = head[i];

        static const char* const bandFormats[kBandFields] = {"bandStart%d",   "bandSoft%d",    "bandColor%d.R",
                                                             "bandColor%d.G", "bandColor%d.B", "bandAlpha%d",
                                                             "bandUseGrad%d"};
        static const char* const gradFormats[3] = {"bandGradient%d.R", "bandGradient%d.G", "bandGradient%d.B"};
        for (int b = 0; b < kToonMaxBands; ++b) {
            for (int f = 0; f < int(kBandFields); ++f) {
                const unsigned i = kBandFirst + kBandFields * b + f;
                names[i] = Numbered(bandFormats[f], b + 1);
                links[i] = {nullptr, f == 6 ? Kind::Flag : Kind::Float, BandOffset(b, f)};
            }
            for (int c = 0; c < 3; ++c) {
                const unsigned i = kGradFirst + 3 * b + c;
                names[i] = Numbered(gradFormats[c], b + 1);
                links[i] = {nullptr, Kind::Gradient, 0};
            }
        }
        for (unsigned i = 0; i < kLinkCount; ++i) links[i].name = names[i].c_str();
    }
};

}  // namespace

const Link* Links() {
    static const Table table;
    return table.links.data();
}

void Setup(CKvUser_AddChannel& add) {
    auto scalar = [&](const char* name, const char* type, double dflt, int iDflt) {
        add.NewChannel(name, type);
        add.SetDefault(dflt, iDflt);
    };
    auto colour = [&](const char* name, double g) {
        add.NewChannel(name, "color1");
        add.SetVector("RGB");
        const double dflt[3] = {g, g, g};
        add.SetDefaultVec(dflt);
    };
    scalar("diffBands", "integer", 0.0, 4);
    scalar("specBands", "integer", 0.0, 0);
    scalar("reflBands", "integer", 0.0, 0);
    scalar("specGrad", "percent", 0.0, 0);
    add.SetGradient("percent");
    scalar("reflGrad", "percent", 0.0, 0);
    add.SetGradient("percent");
    scalar("diffLevel", "percent", 0.5, 0);
    scalar("diffShift", "percent", 0.0, 0);
    scalar("specLevel", "percent", 0.5, 0);
    scalar("reflLevel", "percent", 0.5, 0);
    scalar("shadows", "percent", 1.0, 0);
    scalar("indirectLight", "percent", 1.0, 0);
    colour("baseColor", 0.0);
    scalar("baseAlpha", "percent", 0.0, 0);
    for (int n = 1; n <= kToonMaxBands; ++n) {
        const double g = n * 0.125;
        scalar(Numbered("bandStart%d", n).c_str(), "percent", g, 0);
        scalar(Numbered("bandSoft%d", n).c_str(), "percent", 0.0, 0);
        colour(Numbered("bandColor%d", n).c_str(), g);
        scalar(Numbered("bandAlpha%d", n).c_str(), "percent", 0.0, 0);
        scalar(Numbered("bandUseGrad%d", n).c_str(), "boolean", 0.0, 0);
        colour(Numbered("bandGradient%d", n).c_str(), g);
        add.SetGradient("color1");
    }
}

}  // namespace toon_channels
