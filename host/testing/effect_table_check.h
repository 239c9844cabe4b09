// Checks a packet effect's value table through its method table: each row's
// name, type and flags (pfx_ByIndex), and that pfx_Set writes exactly that
// value's floats at its word of a zeroed packet and pfx_Get reads them back.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <vector>

#include <kv/kv_abi.h>

namespace kvt {

struct EffectRow {
    const char* name;
    const char* type;
    int32_t flags;     // KV_PFX_FLAG_FLOAT (one float) or KV_PFX_FLAG_COLOR (three)
    size_t word;       // first float of the value in the packet
};

inline void ExpectEffectRows(vt_IKvUnknown** fx, size_t packetWords, const std::vector<EffectRow>& rows) {
    const auto* vt = reinterpret_cast<const vt_IKvPacketEffect*>(*fx);
    ASSERT_EQ(vt->Count(fx), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const EffectRow& row = rows[i];
        const int32_t index = int32_t(i);
        const char *name = nullptr, *type = nullptr;
        int32_t flags = 0;
        ASSERT_EQ(vt->ByIndex(fx, index, &name, &type, &flags), KV_OK);
        EXPECT_STREQ(name, row.name) << i;
        EXPECT_STREQ(type, row.type) << i;
        EXPECT_EQ(flags, row.flags) << i;

        std::vector<float> packet(packetWords, 0.0f);
        const float in[3] = {index + 0.25f, index + 0.5f, index + 0.75f};
        ASSERT_EQ(vt->Set(fx, index, packet.data(), in, nullptr), KV_OK);
        const size_t n = flags == KV_PFX_FLAG_COLOR ? 3 : 1;
        for (size_t w = 0; w < packetWords; ++w) {
            const bool inField = w >= row.word && w < row.word + n;
            EXPECT_EQ(packet[w], inField ? in[w - row.word] : 0.0f) << row.name << " word " << w;
        }
        float got[3] = {-1, -1, -1};
        ASSERT_EQ(vt->Get(fx, index, packet.data(), got, nullptr), KV_OK);
        EXPECT_EQ(got[n - 1], in[n - 1]) << row.name;
    }
}

// Indices outside the table, negative ones included, touch nothing:
// pfx_ByIndex leaves the name, pfx_Get the value and pfx_Set the packet as
// they were, and each still answers KV_OK.
template <class Packet>
void ExpectOutsideRowsIgnored(vt_IKvUnknown** fx, Packet& packet, std::initializer_list<int> outside) {
    const auto* vt = reinterpret_cast<const vt_IKvPacketEffect*>(*fx);
    const Packet before = packet;
    for (int bad : outside) {
        const char* name = "untouched";
        float value[3] = {42.0f, 42.0f, 42.0f};
        const float in[3] = {7.0f, 7.0f, 7.0f};
        EXPECT_EQ(vt->ByIndex(fx, bad, &name, nullptr, nullptr), KV_OK) << bad;
        EXPECT_STREQ(name, "untouched") << bad;
        EXPECT_EQ(vt->Get(fx, bad, &packet, value, nullptr), KV_OK) << bad;
        EXPECT_EQ(value[0], 42.0f) << bad;
        EXPECT_EQ(vt->Set(fx, bad, &packet, in, nullptr), KV_OK) << bad;
    }
    EXPECT_EQ(std::memcmp(&packet, &before, sizeof packet), 0);
}

}  // namespace kvt
