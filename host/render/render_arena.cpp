#include "render_arena.h"

#include <tbb/info.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <new>
#include <stdexcept>
#include <thread>

namespace kvr {

namespace {

// The library lets this many threads work on any machine; beyond that an
// arena may get fewer than it asks without a word, and the count said would
// be wrong.
constexpr uint32_t kMostThreads = 256;

uint32_t grantedThreads(uint32_t asked, std::optional<tbb::global_control>& raised) {
    const uint32_t cores = uint32_t(std::max(tbb::info::default_concurrency(), 1));
    const uint32_t wanted = std::min(asked == 0 ? cores : asked, kMostThreads);
    const auto limit = tbb::global_control::max_allowed_parallelism;
    if (wanted > tbb::global_control::active_value(limit)) raised.emplace(limit, wanted);
    return uint32_t(std::clamp<size_t>(tbb::global_control::active_value(limit), 1, wanted));
}

}  // namespace

void StartWorkers(uint32_t threads) {
    const auto limit = tbb::global_control::active_value(tbb::global_control::max_allowed_parallelism);
    threads = uint32_t(std::min<size_t>({size_t(threads), limit, size_t(tbb::this_task_arena::max_concurrency())}));
    if (threads < 2) return;
    // Each iteration holds its thread until every thread has come, so that no
    // thread takes two and the library has to start them all. What they share
    // lives as long as the last of them: a task the library failed to wait for
    // may still look at it.
    struct Gathering {
        std::atomic<uint32_t> arrived{0};
        std::chrono::steady_clock::time_point deadline;
        tbb::task_group_context context;
    };
    auto g = std::make_shared<Gathering>();
    g->deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    try {
        tbb::parallel_for(
            uint32_t(0), threads, uint32_t(1),
            [g, threads](uint32_t) {
                g->arrived.fetch_add(1);
                while (g->arrived.load() < threads && !g->context.is_group_execution_cancelled() &&
                       std::chrono::steady_clock::now() < g->deadline)
                    std::this_thread::yield();
            },
            tbb::simple_partitioner(), g->context);
    } catch (const std::runtime_error&) {
        // The library's words for a thread it could not start (its stack is
        // address space): memory that could not be had.
        throw std::bad_alloc();
    }
}

RenderArena::RenderArena(uint32_t threads)
    : threads_(grantedThreads(threads, raised_)), arena_(int(threads_)) {
    arena_.execute([this] { StartWorkers(threads_); });
}

}  // namespace kvr
