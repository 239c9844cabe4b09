// Test plug-in whose initialize() registers its server and then throws, on
// its first call only.
#include "framework/framework.h"

namespace {

int gCalls = 0;

class FlakyPacket : public CKvImpl_VectorPacket {
public:
    static const st_KVtTagInfoDesc descInfo[];
    unsigned vpkt_Size() override { return 4; }
    const char* vpkt_Interface() override { return nullptr; }
};
const st_KVtTagInfoDesc FlakyPacket::descInfo[] = {{nullptr, nullptr, nullptr}};

}  // namespace

void initialize() {
    kv::RegisterServer<FlakyPacket, CKvIfc_VectorPacket<FlakyPacket>, CKvIfc_StaticDesc<FlakyPacket>>("flaky.packet");
    if (gCalls++ == 0) throw 0x80000002u;
}

void cleanup() {}
