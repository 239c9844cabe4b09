// Counts the global operator new calls made while armed, by the binary and
// the plug-ins it loaded alike (link kv_alloc_counter, set ENABLE_EXPORTS).
#pragma once

namespace kvt {

// Counts allocations between construction and count().
class AllocationCounter {
public:
    AllocationCounter();
    ~AllocationCounter();
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;
    long count();  // disarms, then tells the calls seen
};

}  // namespace kvt
