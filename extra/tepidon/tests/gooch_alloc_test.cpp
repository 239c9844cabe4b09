// Per-sample shading of the Gooch material allocates nothing: this binary
// replaces the global operator new and counts the calls made while armed,
// by the host and the loaded plug-in alike.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "gooch_host.h"

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

// Counts allocations between construction and count().
struct AllocationCounter {
    AllocationCounter() {
        g_allocations = 0;
        g_armed = true;
    }
    ~AllocationCounter() { g_armed = false; }
    long count() {
        g_armed = false;
        return g_allocations.load();
    }
};

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

using gooch_test::GoochHost;
using gooch_test::HostSample;

TEST(GoochAllocation, PerSampleShadingAllocatesNothing) {
    GoochHost host;
    ASSERT_TRUE(host.Load()) << host.error;
    {
        // Both light modes, a per-sample driver and a texture layer.
        kvh::MaterialRoad::Options fixedOpt;
        kvh::Pattern ramp;
        ramp.type = kvh::Pattern::Type::RampU;
        ramp.b[0] = 1.0f;
        fixedOpt.drivers = {{"contrast", ramp, 0}};
        kvh::TextureLayer layer;
        layer.value = "tintWarm";
        layer.pattern = ramp;
        fixedOpt.layers = {layer};
        auto fixed = host.Road(fixedOpt);
        kvh::MaterialRoad::Options litOpt = fixedOpt;
        litOpt.itemName = "lit";
        litOpt.values = {{"useLights", 1}};
        auto lit = host.Road(litOpt);
        ASSERT_TRUE(fixed && lit) << host.error;

        kvh::VectorPool pool(host.session->Layout());
        auto* rays = new kvh::RayObject();

        {  // The counter sees allocations made inside the plug-in.
            AllocationCounter counter;
            kvh::HostError err;
            ASSERT_EQ(fixed->Reread(&err), KV_OK) << err.message;
            EXPECT_GT(counter.count(), 0);
        }

        AllocationCounter counter;
        float sum = 0.0f;
        for (int i = 0; i < 1000; ++i) {
            kvh::SampleVector& v = pool.BeginSample(i % 32, i / 32, 0.5f, 0.5f, 0);
            HostSample s(v);
            (i % 2 ? lit : fixed)->Shade(v, rays->ptr(), s.sc, s.out);
            sum += s.out.color[0];
        }
        EXPECT_EQ(counter.count(), 0);
        EXPECT_GT(sum, 0.0f);
        rays->ReleaseOwned();
    }
}

}  // namespace
