// The threads a render runs on: as many as asked, not only as many as the
// process has cores.
//
//   kvr::RenderArena arena(threads);   // 0: every core the process may use
//   arena.execute([&] { tbb::parallel_for(...); });
//   arena.threads();                   // how many it runs on
//
// The threading library lets no more threads work at once than the process
// has cores, and refuses a larger arena with a warning on standard error. For
// its life the arena raises that limit to what was asked, and takes no more
// threads than the library then grants (another limit in the process may be
// lower), so the library never refuses it.
#pragma once

#include <tbb/global_control.h>
#include <tbb/task_arena.h>

#include <cstdint>
#include <optional>
#include <utility>

namespace kvr {

// Has the threading library start its worker threads now, until `threads`
// threads (the caller's included, and no more than the arena the caller is
// in and the process's limit allow) work at once in that arena, or a second
// has passed. A thread the library fails to start for want of memory then
// fails here, before any other work: started in the middle of parallel work
// (a tree build in the ray tracer), the library's failure ends that work
// half-way, leaving a task that reads freed memory, or a wait that never
// ends. Throws std::bad_alloc when a thread cannot start on the calling
// thread; one that fails on a worker ends the process through
// std::terminate.
void StartWorkers(uint32_t threads);

class RenderArena {
public:
    // Takes `threads` threads (0: every core), all started before it returns.
    explicit RenderArena(uint32_t threads);
    uint32_t threads() const { return threads_; }
    template <class F>
    void execute(F&& f) {
        arena_.execute(std::forward<F>(f));
    }

private:
    std::optional<tbb::global_control> raised_;  // outlives the arena
    uint32_t threads_;
    tbb::task_arena arena_;
};

}  // namespace kvr
