// Per-sample shading of both materials allocates nothing, with a clip, a
// locator, a camera, see-through and highlights; the dab's picture copies
// keep within their budget, and a copy that cannot be had leaves the picture
// read per sample. This binary counts (and can refuse) the global operator
// new calls, by the host and the plug-in alike.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/image.h"
#include "testing/alloc_counter.h"
#include "testing/plugin_session.h"

namespace {

TEST(DotmireAllocation, PerSampleShadingAllocatesNothing) {
    kvt::PluginSession host;
    kvh::PluginLibrary* lib = host.Load("dotmire.kv");
    ASSERT_TRUE(lib) << host.error;
    {
        kvh::Scene& scene = host.session->scene();
        ASSERT_TRUE(scene.CreateCamera("cam", 0.05, 0.036, 0.024, 5.0, kvh::Mat4()));
        ASSERT_TRUE(scene.CreateLocator("loc", kvh::Mat4()));
        ASSERT_TRUE(scene.CreateClip("clip", kvh::ProceduralHatching(32, 32)));
        kvh::MaterialRoad::Options o;
        o.values = {{"screenMode", 1}, {"seeThrough", 0.3}, {"drawSpecular", 1}, {"specular", 1.0},
                    {"reflection", 1.0}, {"hueVariation", 0.2}};
        o.links = {"loc", "clip"};
        auto stipple = host.Road(lib, "stipple", o);
        o.itemName = "dab";
        o.values.push_back({"rotVariation", 0.5});
        auto dab = host.Road(lib, "dab", o);
        ASSERT_TRUE(stipple && dab) << host.error;

        kvh::VectorPool pool(host.session->Layout());
        const kvt::OwnedRays rays;
        kvt::AllocationCounter counter;
        for (int i = 0; i < 1000; ++i) {
            kvh::SampleVector& v = pool.BeginSample(i % 32, i / 32, 0.5f, 0.5f, 0);
            v.SetAllPresent(true);
            auto* parms = v.Packet<st_KVpSampleParms>(kvh::HostPacket::SampleParms);
            parms->diffCol[0] = parms->diffCol[1] = parms->diffCol[2] = 1.0f;
            parms->specCol[0] = parms->reflCol[1] = 1.0f;
            parms->diffAmt = 1.0f;
            st_KVpShadeComponents sc{};
            for (int c = 0; c < 3; ++c) sc.diffLit[c] = sc.diffUnshad[c] = sc.spec[c] = sc.refl[c] = float(i % 7) / 7.0f;
            st_KVpShadeOutput out{};
            (i % 2 ? stipple : dab)->Shade(v, rays.ptr(), sc, out);
        }
        EXPECT_EQ(counter.count(), 0);
    }
}

// Dab roads in texture coordinates with one repeat, laying the picture's own
// colours, and their colours over a grid of dark samples.
class DabPictures {
public:
    DabPictures() : lib_(host_.Load("dotmire.kv")) {}
    bool loaded() const { return lib_ != nullptr; }
    kvh::Scene& scene() { return host_.session->scene(); }

    const kvh::MaterialRoad* road(const std::string& clip) {
        kvh::MaterialRoad::Options o;
        o.itemName = "dab" + std::to_string(roads_.size());
        o.values = {{"screenCoords", 0}, {"tileNum", 1}, {"pointNum", 64}, {"useColor", 0}};
        o.links = {clip};
        auto r = host_.Road(lib_, "dab", o);
        if (!r) return nullptr;
        roads_.push_back(std::move(r));
        return roads_.back().get();
    }

    std::vector<std::array<float, 3>> colours(const kvh::MaterialRoad& road) {
        kvh::VectorPool pool(host_.session->Layout());
        const kvt::OwnedRays rays;
        std::vector<std::array<float, 3>> out;
        for (int i = 0; i < 24; ++i)
            for (int j = 0; j < 24; ++j) {
                kvh::SampleVector& v = pool.BeginSample(i, j, 0.5f, 0.5f, 0);
                v.SetAllPresent(true);
                auto* tex = v.Packet<st_KVpTextureInput>(kvh::HostPacket::TextureInput);
                tex->u = (float(i) + 0.5f) / 24.0f;
                tex->v = (float(j) + 0.5f) / 24.0f;
                auto* parms = v.Packet<st_KVpSampleParms>(kvh::HostPacket::SampleParms);
                parms->diffCol[0] = parms->diffCol[1] = parms->diffCol[2] = 1.0f;
                parms->diffAmt = 1.0f;
                st_KVpShadeComponents sc{};  // no light: every dab of the prefix stands
                st_KVpShadeOutput o{};
                road.Shade(v, rays.ptr(), sc, o);
                out.push_back({o.color[0], o.color[1], o.color[2]});
            }
        return out;
    }

private:
    kvt::PluginSession host_;
    kvh::PluginLibrary* lib_;
    std::vector<std::unique_ptr<kvh::MaterialRoad>> roads_;
};

// Samples that a dab covers take a colour of the picture, not the paper (1, 1, 1).
int Painted(const std::vector<std::array<float, 3>>& colours) {
    int n = 0;
    for (const auto& c : colours) n += c[0] != 1.0f || c[1] != 1.0f || c[2] != 1.0f;
    return n;
}

// The copies of the pictures of several materials share one budget of 64 MiB:
// three materials with 1600 × 1600 pictures (41 MB each as floats) copy
// one; the other two read their pixels per sample and draw the same dabs.
TEST(DotmireAllocation, PictureCopiesShareOneBudget) {
    DabPictures dabs;
    ASSERT_TRUE(dabs.loaded());
    const std::shared_ptr<kvh::ImageData> picture = kvh::ProceduralHatching(1600, 1600);
    for (const char* clip : {"a", "b", "c"}) {
        ASSERT_TRUE(dabs.scene().CreateClip(clip, picture));
        dabs.scene().FindItem(clip)->filterMode = 3;  // answered at its own size, not 256 × 256
    }
    kvt::AllocationCounter counter;
    const kvh::MaterialRoad* a = dabs.road("a");
    const kvh::MaterialRoad* b = dabs.road("b");
    const kvh::MaterialRoad* c = dabs.road("c");
    const unsigned long long bytes = counter.bytes();
    ASSERT_TRUE(a && b && c);
    const unsigned long long copy = 1600ull * 1600 * 16;
    EXPECT_GT(bytes, copy);      // one copy made
    EXPECT_LT(bytes, 2 * copy);  // not two or three
    const auto copied = dabs.colours(*a);
    EXPECT_GT(Painted(copied), 100);
    EXPECT_EQ(dabs.colours(*b), copied);
    EXPECT_EQ(dabs.colours(*c), copied);
}

// A copy whose memory cannot be had: the read succeeds and its samples read
// the picture per sample, drawing what a copied picture draws.
TEST(DotmireAllocation, RefusedPictureCopyReadsPerSample) {
    DabPictures dabs;
    ASSERT_TRUE(dabs.loaded());
    ASSERT_TRUE(dabs.scene().CreateClip("brush", kvh::ProceduralHatching(64, 64)));
    const kvh::MaterialRoad* refused = nullptr;
    {
        const kvt::LargeAllocationRefusal refusal(512 << 10);  // the 256 × 256 copy takes 1 MiB
        refused = dabs.road("brush");
    }
    ASSERT_TRUE(refused);
    const kvh::MaterialRoad* copied = dabs.road("brush");
    ASSERT_TRUE(copied);
    const auto expected = dabs.colours(*copied);
    EXPECT_GT(Painted(expected), 100);
    EXPECT_EQ(dabs.colours(*refused), expected);
}

}  // namespace
