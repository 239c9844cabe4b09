// A host service that exists only in the tests: the test plug-ins report
// events through it (cleanup ran, a server object was freed), so that a test
// sees what happens inside the library without any export of its own.
#pragma once

#include "kv/kv_types.h"

namespace kvtest {

static const st_KVtGUID guid_Probe = {0x6B1E0F3A, 0x52C4, 0x4E11, {0x9D, 0x0B, 0x3C, 0x77, 0x21, 0xA5, 0x0E, 0x42}};

struct vt_IKvTestProbe {
    vt_IKvUnknown unk;
    void (*Note)(void* self, const char* event);  // 3
};

}  // namespace kvtest
