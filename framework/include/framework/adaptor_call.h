// How an adaptor's table function reaches the object behind a proxy and turns
// exceptions into result codes. No exception crosses the ABI into the host.
#pragma once

#include <new>

#include "framework/com.h"
#include "kv/kv_types.h"

namespace kv::adaptor {

// The adaptor base `Base` of the T object behind a proxy (null when the
// factory has detached it). static_cast keeps multiple inheritance right.
template <class Base, class T>
inline Base* ObjectOf(void* self) {
    T* obj = static_cast<T*>(static_cast<st_KVtCOMProxy*>(self)->object);
    return static_cast<Base*>(obj);
}

// A table function that returns a code: a thrown `unsigned` becomes the
// result, out of memory 0x80000002, anything else 0x80000000. A detached
// object answers 0x80000000.
template <class Base, class T, class F>
inline KvResult Catching(void* self, F&& call) noexcept {
    Base* obj = ObjectOf<Base, T>(self);
    if (!obj) return KV_E_FAILED;
    try {
        return call(obj);
    } catch (unsigned rc) {
        return static_cast<KvResult>(rc);
    } catch (const std::bad_alloc&) {
        return KV_E_OUTOFMEMORY;
    } catch (...) {
        return KV_E_FAILED;
    }
}

// A plain forwarder: returns the method's value. The methods behind these
// must not throw; if one does, or the object is detached, `fallback` is
// answered instead of letting the exception reach the host.
template <class Base, class T, class R, class F>
inline R Plain(void* self, R fallback, F&& call) noexcept {
    Base* obj = ObjectOf<Base, T>(self);
    if (!obj) return fallback;
    try {
        return call(obj);
    } catch (...) {
        return fallback;
    }
}

template <class Base, class T, class F>
inline void PlainVoid(void* self, F&& call) noexcept {
    Base* obj = ObjectOf<Base, T>(self);
    if (!obj) return;
    try {
        call(obj);
    } catch (...) {
    }
}

}  // namespace kv::adaptor
