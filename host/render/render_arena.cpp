#include "render_arena.h"

#include <tbb/info.h>

#include <algorithm>

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

RenderArena::RenderArena(uint32_t threads)
    : threads_(grantedThreads(threads, raised_)), arena_(int(threads_)) {}

}  // namespace kvr
