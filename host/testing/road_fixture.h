// A GoogleTest fixture over a stand-in host session with one built plug-in
// loaded, making prepared roads of one material server, and the checks that
// every shader plug-in's road tests share.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "testing/host_object_check.h"
#include "core/image.h"
#include "core/matrix.h"
#include "core/pattern.h"
#include "testing/plugin_session.h"

namespace kvt {

class RoadFixture : public ::testing::Test {
protected:
    RoadFixture(std::string pluginFile, std::string server)
        : pluginFile_(std::move(pluginFile)), server_(std::move(server)) {}

    void SetUp() override {
        const std::string path = kvh::Session::FindPluginFile(pluginFile_);
        ASSERT_FALSE(path.empty()) << pluginFile_ << " not built";
        lib_ = host_.Load(path);
        ASSERT_NE(lib_, nullptr) << host_.error;
    }
    // Releases the roads, the pool, the ray object and the session; no host
    // object may be left.
    void TearDown() override {
        roads_.clear();
        pool_.reset();
        rays_.reset();
        host_.session.reset();
        objects_.ExpectNoneLeft();
    }

    // A prepared road of the server, named after it and a count unless the
    // options name it; null (with a failure) when it cannot be prepared.
    kvh::MaterialRoad* Road(kvh::MaterialRoad::Options o = {}) { return RoadOf(server_, std::move(o)); }
    // The same for another material server of the plug-in.
    kvh::MaterialRoad* RoadOf(const std::string& server, kvh::MaterialRoad::Options o = {}) {
        if (o.itemName.empty()) o.itemName = server + std::to_string(roads_.size());
        auto road = host_.Road(lib_, server, std::move(o));
        EXPECT_NE(road, nullptr) << host_.error;
        if (!road) return nullptr;
        roads_.push_back(std::move(road));
        return roads_.back().get();
    }
    kvh::VectorPool& Pool() {
        if (!pool_) pool_ = std::make_unique<kvh::VectorPool>(host_.session->Layout());
        return *pool_;
    }

    HostObjectCheck objects_;  // before the session exists
    kvh::HostError err_;
    PluginSession host_;
    kvh::PluginLibrary* lib_ = nullptr;
    std::vector<std::unique_ptr<kvh::MaterialRoad>> roads_;
    std::unique_ptr<kvh::VectorPool> pool_;
    std::optional<OwnedRays> rays_;  // the fixture's ray object, when a test makes one

private:
    std::string pluginFile_;
    std::string server_;
};

// A pattern with every colour component `v`.
inline kvh::Pattern ConstantPattern(float v) {
    kvh::Pattern p;
    p.a[0] = p.a[1] = p.a[2] = v;
    return p;
}

// A plug-in test's sample at screen position (x, y), in pixels of a
// width x height image: its pixel and its position inside the pixel.
template <class Sample>
Sample SampleAt(double x, double y, uint32_t width, uint32_t height) {
    Sample s;
    s.width = width;
    s.height = height;
    s.px = static_cast<int32_t>(std::floor(x));
    s.fx = static_cast<float>(x - s.px);
    s.py = static_cast<int32_t>(std::floor(y));
    s.fy = static_cast<float>(y - s.py);
    return s;
}

// Expects a screen-coordinate pattern to run on across 0 rather than mirror
// there. The image is 720 x 360 with u' = v' = 0 at pixel (180, 180) (zScale 1
// at distance 1), and the pattern repeats every `period` pixels. `alongX(x,
// y)` and `alongY(x, y)` read the pattern at a pixel position (one reader may
// serve both). Every value a period on matches within `tolerance`; the
// mirrored value across 0 must differ at most places.
template <class ReadX, class ReadY>
void ExpectScreenRunsOnAcrossZero(ReadX alongX, ReadY alongY, double period, float tolerance) {
    int mirrored = 0, pairs = 0;
    for (double d = 1.37; d < period; d += period / 37.0, pairs += 2) {
        const float left = alongX(180.0 - d, 203.3), above = alongY(203.3, 180.0 - d);
        EXPECT_NEAR(alongX(180.0 - d + period, 203.3), left, tolerance) << d;
        EXPECT_NEAR(alongY(203.3, 180.0 - d + period), above, tolerance) << d;
        mirrored += std::fabs(alongX(180.0 + d, 203.3) - left) <= tolerance;
        mirrored += std::fabs(alongY(203.3, 180.0 + d) - above) <= tolerance;
    }
    EXPECT_LT(mirrored, pairs * 3 / 4);
}

// Places `camera` some 100 units off, aimed at the origin, and `locator`
// where the camera's space holds (1, 0, 5). A host that inverts in float
// misses R'·R = I by about 1e-5 on this camera.
template <class Item>
void PlaceCameraFarOff(Item& camera, Item& locator) {
    const double eye[3] = {1, 40, -90}, origin[3] = {0, 0, 0}, up[3] = {0, 1, 0}, seen[3] = {1, 0, 5};
    kvh::Mat4 far;
    ASSERT_TRUE(kvh::Mat4::LookAt(eye, origin, up, &far));
    double at[3];
    far.TransformPoint(seen, at);
    camera.SetWorldMatrix(far);
    locator.SetWorldMatrix(kvh::Mat4::Translation(at[0], at[1], at[2]));
}

// A 256 x 256 clip whose pixel (x, y) is (x / 255, y / 255, blue, alpha): a
// material's image needs no resampling and each lookup names its pixel.
inline std::shared_ptr<kvh::ImageData> CoordinateImage(float blue = 0.5f, float alpha = 1.0f) {
    auto img = std::make_shared<kvh::ImageData>();
    img->width = img->height = 256;
    img->rgba.resize(256 * 256 * 4);
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 256; ++x) {
            float* p = &img->rgba[(y * 256 + x) * 4];
            p[0] = float(x) / 255.0f;
            p[1] = float(y) / 255.0f;
            p[2] = blue;
            p[3] = alpha;
        }
    return img;
}

// A server's name and its "server.username".
struct ServerNames {
    const char* name;
    const char* userName;
};

// The three servers of a shader plug-in in registration order, with the tags
// of their kinds.
inline void ExpectShaderServers(const kvh::PluginLibrary& lib, ServerNames material, ServerNames packet,
                                ServerNames effect) {
    const auto& servers = lib.servers();
    ASSERT_EQ(servers.size(), 3u);
    const ServerNames names[3] = {material, packet, effect};
    const char* logs[3] = {"comp-shader", "vector-packet", "texture-effect"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(servers[i].name, names[i].name);
        EXPECT_EQ(servers[i].Tag("server.username"), names[i].userName) << names[i].name;
        EXPECT_EQ(servers[i].Tag("server.logsubsystem"), logs[i]) << names[i].name;
    }
    EXPECT_EQ(servers[1].Tag("vpacket.category"), "sample");
    EXPECT_EQ(servers[2].Tag("textureFX.category"), "surface");
}

// The road's material names `packet` as its own and answers `flags`.
inline void ExpectMaterialPacketAndFlags(const kvh::MaterialRoad& road, const char* packet, int32_t flags) {
    EXPECT_EQ(road.customPacket(), packet);
    vt_IKvUnknown** material = road.material();
    EXPECT_EQ((*reinterpret_cast<vt_IKvCustomMaterial**>(material))->Flags(material), flags);
}

// The ChannelUI record of `channel` among a road's ProbeChannelUI answers.
inline const kvh::ChannelUIRecord& UiOf(const std::vector<kvh::ChannelUIRecord>& all, const std::string& channel) {
    for (const auto& r : all)
        if (r.channel == channel) return r;
    static const kvh::ChannelUIRecord none;
    ADD_FAILURE() << "no channel " << channel;
    return none;
}

// The channel is disabled with the common message whose argument is `why`.
inline bool DisabledWith(const kvh::ChannelUIRecord& r, const char* why) {
    return r.enabled == KV_MSG_DISABLED && r.messageCode == KV_MSG_DISABLED && r.messageTable == "common" &&
           r.messageEntry == 99 && r.messageArg1 == why;
}

}  // namespace kvt
