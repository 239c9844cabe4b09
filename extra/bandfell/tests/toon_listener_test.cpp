// The toon plug-in's gradient listener through the stand-in host: default
// ramps in new toon items only, once, never over existing keys; its
// registration from the first toon material to the last, and its own
// reference to the listener service.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/scene.h"
#include "testing/host_object_check.h"
#include "toon_host.h"

namespace {

using namespace toon_test;
using kvh::MaterialRoad;

class ToonListener : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.Load()) << host.error; }
    void TearDown() override {
        host.session.reset();
        objects.ExpectNoneLeft();
    }
    std::vector<kvh::Key> Keys(const MaterialRoad& road, const char* channel) {
        const int32_t i = road.item()->ChannelIndex(channel);
        EXPECT_GE(i, 0) << channel;
        return host.session->scene().Keys(road.item(), uint32_t(i));
    }
    kvh::Scene& scene() { return host.session->scene(); }

    kvt::HostObjectCheck objects;  // before the host's session exists
    ToonHost host;
};

// Keys at 0 (twice: the second replaces the first), 0.2, 0.4, 0.6 and 0.8,
// none at 1.0; each key of the loop gets slope mode (6, 3).
void ExpectDefaultRamp(const std::vector<kvh::Key>& keys) {
    ASSERT_EQ(keys.size(), 5u);
    for (size_t j = 0; j < keys.size(); ++j) {
        EXPECT_NEAR(keys[j].input, 0.2 * double(j), 1e-6) << j;
        EXPECT_EQ(keys[j].value, keys[j].input) << j;
        EXPECT_EQ(keys[j].slopeType, 6) << j;
        EXPECT_EQ(keys[j].slopeSide, 3) << j;
    }
}

TEST_F(ToonListener, NewToonItemGetsTheDefaultRampOnce) {
    auto road = host.Road();
    ASSERT_TRUE(road) << host.error;
    ExpectDefaultRamp(Keys(*road, "specGrad"));
    ExpectDefaultRamp(Keys(*road, "reflGrad"));
    for (int b = 1; b <= 8; ++b)
        for (const char* c : {".R", ".G", ".B"})
            EXPECT_TRUE(Keys(*road, ("bandGradient" + std::to_string(b) + c).c_str()).empty());

    // The listener's keys are in the one store the "edit" action reads: a
    // second ItemAdd finds them and writes nothing.
    const uint32_t spec = uint32_t(road->item()->ChannelIndex("specGrad"));
    scene().SetKeys(road->item(), spec, Ramp(0.5, 0.5));
    host.session->listeners().SendItemAdd(road->item()->ptr());
    EXPECT_EQ(scene().Keys(road->item(), spec).size(), 2u);
    ExpectDefaultRamp(Keys(*road, "reflGrad"));
}

// A loaded item whose specGrad already has an envelope keeps what it has,
// and its other gradient channels get nothing either.
TEST_F(ToonListener, ExistingKeysAreNotOverwritten) {
    MaterialRoad::Options opt;
    opt.gradients = {{"specGrad", Ramp(0.3, 0.7)}};
    auto road = host.Road(opt);
    ASSERT_TRUE(road) << host.error;
    const auto spec = Keys(*road, "specGrad");
    ASSERT_EQ(spec.size(), 2u);
    EXPECT_EQ(spec[1].value, 0.7);
    EXPECT_TRUE(Keys(*road, "reflGrad").empty());
}

TEST_F(ToonListener, ItemsOfAnotherTypeAreLeftAlone) {
    auto road = host.Road();
    ASSERT_TRUE(road) << host.error;
    std::vector<kvh::Channel> channels(2);
    channels[0].name = "specGrad";
    channels[1].name = "reflGrad";
    kvh::SceneItem* other = scene().CreateItem("other", "material.other", channels);
    ASSERT_NE(other, nullptr);
    host.session->listeners().SendItemAdd(other->ptr());
    EXPECT_EQ(scene().FindEnvelope(other, 0), nullptr);
    EXPECT_EQ(scene().FindEnvelope(other, 1), nullptr);
}

// Registered from the first material object to the last.
TEST_F(ToonListener, RegisteredWhileAnyToonMaterialLives) {
    auto& listeners = host.session->listeners();
    EXPECT_EQ(listeners.count(), 0u);
    auto first = host.Road({}, "first");
    ASSERT_TRUE(first) << host.error;
    EXPECT_EQ(listeners.count(), 1u);
    auto second = host.Road({}, "second");
    ASSERT_TRUE(second) << host.error;
    EXPECT_EQ(listeners.count(), 1u);
    ExpectDefaultRamp(Keys(*second, "specGrad"));
    first.reset();
    EXPECT_EQ(listeners.count(), 1u);
    second.reset();
    EXPECT_EQ(listeners.count(), 0u);

    auto again = host.Road({}, "again");  // a new listener for a new first material
    ASSERT_TRUE(again) << host.error;
    EXPECT_EQ(listeners.count(), 1u);
    ExpectDefaultRamp(Keys(*again, "reflGrad"));
}

// The host may release the module (and with it the globals cache and its
// listener-service reference) while a material still lives: the listener
// unregisters through a reference of its own and then drops it.
TEST_F(ToonListener, HoldsItsOwnListenerServiceReference) {
    auto& listeners = host.session->listeners();
    auto road = host.Road();
    ASSERT_TRUE(road) << host.error;
    host.toon->ReleaseModule();  // the globals cache lets go of the service
    EXPECT_EQ(listeners.count(), 1u);
    EXPECT_EQ(listeners.RefCount(), 2u);  // the session's and the listener's own
    road.reset();
    EXPECT_EQ(listeners.count(), 0u);
    EXPECT_EQ(listeners.RefCount(), 1u);  // the session's alone
}

}  // namespace
