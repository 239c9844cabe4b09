// Per-sample driving in the shared material base: an integer channel driven
// through the float read is truncated, and a driven value that is not a
// number or lies outside the 32-bit range keeps the value read for the block.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fake_scene.h"
#include "shader/shader_material.h"

namespace {

using namespace kv::shader;

constexpr ChannelSetup kChannels[] = {{"count", "integer", 0.0, 0}};
constexpr ChannelLink kLinks[] = {{"count", ReadKind::Integer, 0}};
constexpr SampleLink kSampleLinks[] = {{0, 1}};
constexpr SampleOverride kOverrides[] = {{0, DriveKind::IntegerByFloat, 0, 0}};
constexpr MaterialDesc kDesc{"material.counted", "counted.packet", kChannels, kLinks, {}, kSampleLinks, 0,
                             1, kOverrides, sizeof(int32_t), sizeof(int32_t), 0, 0, {}};

class Counted final : public CKvShaderMaterial {
public:
    Counted() : CKvShaderMaterial(kDesc) {}

protected:
    void shade(const ShadeContext&) const override {}
};

TEST(SampleDriving, IntegerThroughTheFloatReadKeepsTheBlockWhenOutOfRange) {
    fake::Root& root = fake::Root::Install();
    root.packetOffsets = {{"counted.packet", 0}};
    fake::Item item{fake::kMeshType, {"count"}};
    fake::Evaluation eval;
    fake::Attributes attr;
    attr.ints[0] = 42;
    Counted material;
    ASSERT_EQ(material.cmt_LinkChannels(eval.ptr(), item.ptr()), KV_OK);
    int idx[1] = {-1};
    ASSERT_EQ(material.cmt_LinkSampleChannels(eval.ptr(), item.ptr(), idx), KV_OK);
    EXPECT_EQ(material.cmt_IsSampleDriven(idx), 1);
    void* block = nullptr;
    ASSERT_EQ(material.cmt_ReadChannels(attr.ptr(), &block), KV_OK);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<double, int32_t> cases[] = {
        {7.9, 7},     {-7.9, -7},     {2147483647.5, 2147483647}, {-2147483648.5, -2147483648},
        {nan, 42},    {3e9, 42},      {-3e9, 42},                 {std::numeric_limits<double>::infinity(), 42},
    };
    for (const auto& [driven, want] : cases) {
        root.drivenValue = driven;
        int32_t packet = -1;  // the "vector": the packet sits at offset 0
        material.cmt_MaterialEvaluate(nullptr, idx, reinterpret_cast<vt_IKvUnknown**>(&packet), block);
        EXPECT_EQ(packet, want) << driven;
    }
    material.cmt_Cleanup(block);
}

}  // namespace
