// The cores this process may run on: those of its affinity mask (as taskset
// or a container sets it), not every core of the machine, which is what
// std::thread::hardware_concurrency() counts. Benchmarks "on all cores" run
// this many threads.
#pragma once

#include <sched.h>

#include <algorithm>
#include <thread>

namespace kvt {

inline int AllCores() {
    cpu_set_t mask;
    CPU_ZERO(&mask);
    if (sched_getaffinity(0, sizeof mask, &mask) == 0) return std::max(1, CPU_COUNT(&mask));
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace kvt
