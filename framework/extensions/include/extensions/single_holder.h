// A static keeper of one object shared by several users: the first user
// creates it, each user counts itself in and out, the last one destroys it.
#pragma once

#include <cstdint>

template <class T>
struct CKvSingleHolder {
    T* object = nullptr;
    int32_t count = 0;

    // At exit the object still held is deleted once, whatever the count
    // (a count left below 0 included), and the count ends at 0.
    ~CKvSingleHolder() {
        if (count == 0) return;
        delete object;
        object = nullptr;
        count = 0;
    }
};
