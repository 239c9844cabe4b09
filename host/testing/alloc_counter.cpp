#include "testing/alloc_counter.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> g_armed{false};
std::atomic<long> g_allocations{0};
std::atomic<unsigned long long> g_bytes{0};
std::atomic<unsigned long long> g_refusedFrom{0};  // 0: none refused

void* Allocate(std::size_t size, std::size_t align) {
    if (g_armed.load(std::memory_order_relaxed)) {
        g_allocations.fetch_add(1, std::memory_order_relaxed);
        g_bytes.fetch_add(size, std::memory_order_relaxed);
    }
    const unsigned long long refused = g_refusedFrom.load(std::memory_order_relaxed);
    if (refused != 0 && size >= refused) throw std::bad_alloc();
    if (size == 0) size = 1;
    void* p = align > alignof(std::max_align_t) ? std::aligned_alloc(align, (size + align - 1) / align * align)
                                                : std::malloc(size);
    if (!p) throw std::bad_alloc();
    return p;
}

}  // namespace

namespace kvt {

AllocationCounter::AllocationCounter() {
    g_allocations = 0;
    g_bytes = 0;
    g_armed = true;
}
AllocationCounter::~AllocationCounter() { g_armed = false; }
long AllocationCounter::count() {
    g_armed = false;
    return g_allocations.load();
}
unsigned long long AllocationCounter::bytes() {
    g_armed = false;
    return g_bytes.load();
}

LargeAllocationRefusal::LargeAllocationRefusal(unsigned long long bytes) { g_refusedFrom = bytes < 1 ? 1 : bytes; }
LargeAllocationRefusal::~LargeAllocationRefusal() { g_refusedFrom = 0; }

}  // namespace kvt

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
