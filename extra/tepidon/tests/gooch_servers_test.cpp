// The Gooch packet, packet effect and tag tables, called as the host calls them.
#include <gtest/gtest.h>

#include <cstring>

#include "gooch_layout.h"
#include "gooch_material.h"

namespace {

using namespace Gooch_Shader;

TEST(GoochPacket, SizeInitializeBlendCopy) {
    GoochPacket pkt;
    EXPECT_EQ(pkt.vpkt_Size(), 48u);
    EXPECT_EQ(pkt.vpkt_Interface(), nullptr);
    float p[12];
    for (float& f : p) f = 7.0f;
    EXPECT_EQ(pkt.vpkt_Initialize(p), KV_OK);
    const float want[8] = {0.2f, 0.6f, 0.0f, 0.0f, 0.4f, 0.4f, 0.4f, 0.0f};
    for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(p[i], want[i]) << i;
    for (int i = 8; i < 12; ++i) EXPECT_FLOAT_EQ(p[i], 7.0f) << i;  // fields 8-11 keep their values
    float before[12];
    std::memcpy(before, p, sizeof p);
    EXPECT_EQ(pkt.vpkt_Blend(p, before, before, 0.5f, 0), KV_OK);
    EXPECT_EQ(std::memcmp(before, p, sizeof p), 0);
    EXPECT_EQ(pkt.vpkt_Copy(p, before), KV_E_NOTIMPL);
    EXPECT_NE(pkt.vpkt_Initialize(nullptr), KV_OK);
}

TEST(GoochPFX, TableAndFieldCopies) {
    GoochPFX fx;
    const char* name = nullptr;
    EXPECT_EQ(fx.pfx_Packet(&name), KV_OK);
    EXPECT_STREQ(name, "gooch.packet");
    ASSERT_EQ(fx.pfx_Count(), 4u);
    const char* type = nullptr;
    int flags = 0;
    EXPECT_EQ(fx.pfx_ByIndex(1, &name, &type, &flags), KV_OK);
    EXPECT_STREQ(name, "tintWarm");
    EXPECT_STREQ(type, "angle");
    EXPECT_EQ(flags, 0x30);
    EXPECT_EQ(fx.pfx_ByIndex(0, &name, &type, &flags), KV_OK);
    EXPECT_STREQ(name, "warmColor");
    EXPECT_EQ(flags, 0x31);

    float packet[12] = {};
    const float warmth = 0.75f;
    EXPECT_EQ(fx.pfx_Set(1, packet, &warmth, nullptr), KV_OK);
    EXPECT_FLOAT_EQ(packet[0], 0.75f);
    const float cool[3] = {0.1f, 0.2f, 0.3f};
    EXPECT_EQ(fx.pfx_Set(2, packet, cool, nullptr), KV_OK);
    EXPECT_FLOAT_EQ(packet[2], 0.1f);
    EXPECT_FLOAT_EQ(packet[3], 0.2f);
    EXPECT_FLOAT_EQ(packet[4], 0.3f);
    EXPECT_FLOAT_EQ(packet[5], 0.0f);

    // Indices outside the table, negative included, write nothing and answer 0.
    float out[3] = {9.0f, 9.0f, 9.0f};
    for (int bad : {4, -1, 1000}) {
        EXPECT_EQ(fx.pfx_Get(bad, packet, out, nullptr), KV_OK);
        EXPECT_EQ(fx.pfx_Set(bad, packet, cool, nullptr), KV_OK);
        const char* n = "unchanged";
        EXPECT_EQ(fx.pfx_ByIndex(bad, &n, nullptr, nullptr), KV_OK);
        EXPECT_STREQ(n, "unchanged");
    }
    EXPECT_FLOAT_EQ(out[0], 9.0f);
    EXPECT_EQ(fx.pfx_Get(0, packet, out, nullptr), KV_OK);
    EXPECT_FLOAT_EQ(out[0], 0.0f);
}

TEST(GoochServers, TagTables) {
    EXPECT_STREQ(GoochMaterial::descInfo[0].info, "Gooch Material");
    EXPECT_STREQ(GoochMaterial::descInfo[1].info, "comp-shader");
    EXPECT_EQ(GoochMaterial::descInfo[2].type, nullptr);
    EXPECT_STREQ(GoochPacket::descInfo[1].info, "vector-packet");
    EXPECT_STREQ(GoochPacket::descInfo[2].info, "sample");
    EXPECT_STREQ(GoochPFX::descInfo[0].info, "Gooch Packet FX");
    EXPECT_STREQ(GoochPFX::descInfo[2].info, "surface");
}

}  // namespace
