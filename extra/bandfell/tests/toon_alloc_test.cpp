// Per-sample toon shading allocates nothing: this binary replaces the global
// operator new and counts the calls made while armed, by the host and the
// loaded plug-in alike.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "toon_host.h"

namespace {

std::atomic<bool> g_armed{false};
std::atomic<long> g_allocations{0};

void* Allocate(std::size_t size, std::size_t align) {
    if (g_armed.load(std::memory_order_relaxed)) g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (size == 0) size = 1;
    void* p = align > alignof(std::max_align_t) ? std::aligned_alloc(align, (size + align - 1) / align * align)
                                                : std::malloc(size);
    if (!p) throw std::bad_alloc();
    return p;
}

}  // namespace

void* operator new(std::size_t n) { return Allocate(n, 0); }
void* operator new[](std::size_t n) { return Allocate(n, 0); }
void* operator new(std::size_t n, std::align_val_t a) { return Allocate(n, std::size_t(a)); }
void* operator new[](std::size_t n, std::align_val_t a) { return Allocate(n, std::size_t(a)); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

namespace {

// Eight soft bands with gradients, banded specular, a reflection gradient,
// a per-sample driver and a texture layer: every per-sample path.
TEST(ToonAllocation, PerSampleShadingAllocatesNothing) {
    toon_test::ToonHost host;
    ASSERT_TRUE(host.Load()) << host.error;
    {
        kvh::MaterialRoad::Options opt;
        opt.values = {{"diffBands", 8}, {"specBands", 3}, {"reflBands", 0}};
        for (int b = 1; b <= 8; ++b) {
            const std::string n = std::to_string(b);
            opt.values.push_back({"bandSoft" + n, 0.05});
            opt.values.push_back({"bandUseGrad" + n, 1});
            opt.gradients.push_back({"bandGradient" + n + ".R", toon_test::Ramp(0.0, 1.0)});
        }
        kvh::Pattern ramp;
        ramp.type = kvh::Pattern::Type::RampU;
        ramp.b[0] = 1.0f;
        opt.drivers = {{"diffShift", ramp, 0}};
        opt.layers = {{"toonColor.3", 0.5f, ramp}};
        auto road = host.Road(opt);
        ASSERT_TRUE(road) << host.error;

        kvh::VectorPool pool(host.session->Layout());
        auto* rays = new kvh::RayObject();
        toon_test::ToonSample filled(pool.BeginSample(0, 0, 0.5f, 0.5f, 0), 0.0f);
        filled.sc.spec[0] = 0.4f;
        filled.sc.refl[1] = 0.3f;
        g_allocations = 0;
        g_armed = true;
        for (int i = 0; i < 200; ++i) {
            st_KVpShadeComponents sc = filled.sc;
            for (float& c : sc.diffLit) c = 0.006f * float(i);
            st_KVpShadeOutput out{};
            road->Shade(filled.v, rays->ptr(), sc, out);
        }
        g_armed = false;
        EXPECT_EQ(g_allocations.load(), 0);
        rays->ReleaseOwned();
    }
}

}  // namespace
