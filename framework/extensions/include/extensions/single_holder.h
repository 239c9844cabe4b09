// A static keeper of one object shared by several users: the first user
// creates it, each user counts itself in and out, the last one destroys it.
// The destructor runs at process exit and deletes an object still held once.
#pragma once

#include <cstdint>

template <class T>
struct CKvSingleHolder {
    T* object = nullptr;
    int32_t count = 0;

    ~CKvSingleHolder() {
        while (count != 0) {
            if (count == 1 && object) {
                delete object;
                object = nullptr;
            }
            count += count > 0 ? -1 : 1;
        }
    }
};
