// Counts the global operator new calls made while armed, by the binary and
// the plug-ins it loaded alike (link kv_alloc_counter, set ENABLE_EXPORTS),
// and can refuse large ones.
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
    unsigned long long bytes();  // disarms, then tells the bytes they asked for
};

// Refuses every allocation of at least `bytes` (std::bad_alloc) while it lives.
class LargeAllocationRefusal {
public:
    explicit LargeAllocationRefusal(unsigned long long bytes);
    ~LargeAllocationRefusal();
    LargeAllocationRefusal(const LargeAllocationRefusal&) = delete;
    LargeAllocationRefusal& operator=(const LargeAllocationRefusal&) = delete;
};

}  // namespace kvt
