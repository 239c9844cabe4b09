// Test plug-in whose initialize() throws on its first call only.
#include "framework/framework.h"

namespace {
int gCalls = 0;
}

void initialize() {
    if (gCalls++ == 0) throw 0x80000002u;
}

void cleanup() {}
