// The per-library thread globals: the host's thread service, which makes
// reference counts atomic, and gMutex, which guards every factory's instance
// list. Both are found on first need and published once even when threads race.
#pragma once

#include <atomic>
#include <cstdint>

// Borrowed thread service (the globals cache holds the reference), or null.
extern std::atomic<void*> gThreadSvc;
// Host mutex guarding instance lists (owned), or null.
extern std::atomic<void*> gMutex;

namespace kv {

// gThreadSvc, fetched from the globals cache while it is null.
void* ThreadService();
// Atomic through the thread service when there is one, plain otherwise.
// Each returns the new value.
int32_t AtomicIncrement(int32_t* value);
int32_t AtomicDecrement(int32_t* value);

// Holds gMutex (created on first need) for its scope; without a thread
// service, or when the host cannot make a mutex, it holds nothing.
class CKvInstanceLock {
public:
    CKvInstanceLock();
    ~CKvInstanceLock();
    CKvInstanceLock(const CKvInstanceLock&) = delete;
    CKvInstanceLock& operator=(const CKvInstanceLock&) = delete;

private:
    void* m_mutex;
};

// Clears gThreadSvc and releases gMutex (part of freeing the globals cache).
void ReleaseThreadGlobals();

}  // namespace kv
