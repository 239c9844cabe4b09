// The toon channel links, the packet defaults and the packet-effect table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "toon_channels.h"
#include "toon_layout.h"
#include "toon_packet.h"

using namespace toon_channels;

TEST(ToonLinks, NinetyFiveInLinkOrderWithSampleRangeContiguous) {
    const Link* l = Links();
    EXPECT_STREQ(l[kSpecGrad].name, "specGrad");
    EXPECT_STREQ(l[kDiffBands].name, "diffBands");
    EXPECT_STREQ(l[kBaseColorB].name, "baseColor.B");
    EXPECT_STREQ(l[kBandFirst].name, "bandStart1");
    EXPECT_STREQ(l[kBandFirst + 6].name, "bandUseGrad1");
    EXPECT_STREQ(l[kBandFirst + 7 * 7 + 4].name, "bandColor8.B");
    EXPECT_STREQ(l[kGradFirst].name, "bandGradient1.R");
    EXPECT_STREQ(l[kLinkCount - 1].name, "bandGradient8.B");
    for (unsigned i = kSampleFirst; i < kSampleFirst + kSampleCount; ++i) EXPECT_NE(l[i].kind, Kind::Gradient) << i;
    EXPECT_EQ(l[kBandFirst + 7 * 2 + 6].kind, Kind::Flag);
    EXPECT_EQ(l[kBandFirst + 7 * 2 + 6].packetOffset, 15 * 4 + 2 * 28 + 24);
}

TEST(ToonPacketInit, ThreeWhiteBandsAndUntouchedRest) {
    ToonPacketData p;
    std::memset(&p, 0x7F, sizeof p);
    ToonPacket pkt;
    EXPECT_EQ(pkt.vpkt_Size(), 284u);
    EXPECT_EQ(pkt.vpkt_Initialize(&p), 0);
    EXPECT_EQ(p.diffBands, 3);
    EXPECT_EQ(p.reserved0, 8);
    uint32_t bits;
    std::memcpy(&bits, &p.bands[1].start, 4);
    EXPECT_EQ(bits, 0x3EAAAAABu);
    std::memcpy(&bits, &p.bands[2].start, 4);
    EXPECT_EQ(bits, 0x3F2AAAABu);
    EXPECT_EQ(p.bands[2].color[1], 1.0f);
    EXPECT_EQ(p.bands[0].alpha, 0.0f);
    EXPECT_EQ(p.bands[0].useGrad, 0x7F);  // left as it was
    unsigned char raw[28];
    std::memset(raw, 0x7F, sizeof raw);
    EXPECT_EQ(std::memcmp(&p.bands[3], raw, 28), 0);
    float shadows;
    std::memset(&shadows, 0x7F, 4);
    EXPECT_EQ(std::memcmp(&p.shadows, &shadows, 4), 0);
}

TEST(ToonEffect, ThirtyFiveEntries) {
    ToonPFX fx;
    EXPECT_EQ(fx.pfx_Count(), 35u);
    const char *name = nullptr, *type = nullptr;
    int flags = 0;
    fx.pfx_ByIndex(1, &name, &type, &flags);
    EXPECT_STREQ(name, "toonBaseColor");
    EXPECT_STREQ(type, "color1");
    EXPECT_EQ(flags, 0x31);
    fx.pfx_ByIndex(7, &name, &type, &flags);
    EXPECT_STREQ(name, "toonStart.2");
    EXPECT_EQ(flags, 0x30);
    fx.pfx_ByIndex(34, &name, &type, &flags);
    EXPECT_STREQ(name, "toonSoft.8");

    ToonPacketData p{};
    const float v = 0.75f;
    EXPECT_EQ(fx.pfx_Set(34, &p, &v, nullptr), 0);
    EXPECT_EQ(p.bands[7].soft, 0.75f);
    const float c[3] = {0.1f, 0.2f, 0.3f};
    fx.pfx_Set(4, &p, c, nullptr);
    EXPECT_EQ(p.bands[0].color[2], 0.3f);
    float got[3] = {};
    fx.pfx_Get(4, &p, got, nullptr);
    EXPECT_EQ(got[1], 0.2f);
}

TEST(ToonEffect, IndicesOutsideTableWriteNothing) {
    ToonPFX fx;
    ToonPacketData p{}, before{};
    const float v[3] = {9, 9, 9};
    for (int index : {35, 36, 100, -1, -4, -1000}) {
        const char* name = "untouched";
        int flags = -7;
        EXPECT_EQ(fx.pfx_ByIndex(index, &name, nullptr, &flags), 0);
        EXPECT_STREQ(name, "untouched");
        EXPECT_EQ(flags, -7);
        EXPECT_EQ(fx.pfx_Set(index, &p, v, nullptr), 0);
        float out[3] = {1, 2, 3};
        EXPECT_EQ(fx.pfx_Get(index, &p, out, nullptr), 0);
        EXPECT_EQ(out[0], 1.0f);
    }
    EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0);
}
