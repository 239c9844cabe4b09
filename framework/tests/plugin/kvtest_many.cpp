// Test plug-in for the registry and the ABI boundary: 45 numbered servers
// (past two growths of the registry), two servers under one name, servers
// whose construction throws, a material whose methods throw, and a cleanup()
// that throws. It reports cleanup() and every freed packet through the test
// probe service.
#include <cstdio>
#include <new>
#include <stdexcept>

#include "framework/framework.h"
#include "kvtest_probe.h"

namespace {

void Note(const char* event) {
    if (auto** probe = static_cast<kvtest::vt_IKvTestProbe**>(kv::GetGlobal(&kvtest::guid_Probe)))
        (*probe)->Note(probe, event);
}

class NumberedMaterial : public CKvImpl_CustomMaterial {
public:
    static const st_KVtTagInfoDesc descInfo[];
    int cmt_Flags() override { return 7; }
};
const st_KVtTagInfoDesc NumberedMaterial::descInfo[] = {{"server.username", "numbered material", nullptr},
                                                        {nullptr, nullptr, nullptr}};

class NumberedPacket : public CKvImpl_VectorPacket {
public:
    static const st_KVtTagInfoDesc descInfo[];
    ~NumberedPacket() override { Note("packet freed"); }
    unsigned vpkt_Size() override { return 4; }
    const char* vpkt_Interface() override { return nullptr; }
};
const st_KVtTagInfoDesc NumberedPacket::descInfo[] = {{"server.username", "numbered packet", nullptr},
                                                      {nullptr, nullptr, nullptr}};

// UpdatePreview(0) throws out of memory, (1) a foreign exception, (2) a code.
class Thrower : public CKvImpl_CustomMaterial {
public:
    KvResult cmt_UpdatePreview(int chan, int*) override {
        if (chan == 0) throw std::bad_alloc();
        if (chan == 1) throw std::runtime_error("not a result code");
        if (chan == 2) throw static_cast<unsigned>(KV_E_NOTFOUND);
        return KV_OK;
    }
    int cmt_IsSampleDriven(int*) override { throw std::runtime_error("plain forwarder"); }
    void cmt_ShaderEvaluate(vt_IKvUnknown**, vt_IKvUnknown**, st_KVpShadeComponents*, st_KVpShadeOutput*,
                            void*) override {
        throw 1;
    }
    int cmt_Flags() override { throw std::bad_alloc(); }
};

struct CtorOutOfMemory : NumberedMaterial {
    CtorOutOfMemory() { throw std::bad_alloc(); }
};
struct CtorCode : NumberedMaterial {
    CtorCode() { throw static_cast<unsigned>(KV_E_OUTOFBOUNDS); }
};
struct CtorForeign : NumberedMaterial {
    CtorForeign() { throw std::logic_error("foreign"); }
};

char gNames[45][8];

template <class T>
void Material(const char* name) {
    kv::RegisterServer<T, CKvIfc_CustomMaterial<T>, CKvIfc_StaticDesc<NumberedMaterial>>(name);
}

}  // namespace

void initialize() {
    for (int i = 0; i < 45; ++i) {
        std::snprintf(gNames[i], sizeof gNames[i], "srv.%02d", i);
        if (i % 2 == 0) Material<NumberedMaterial>(gNames[i]);
        else kv::RegisterServer<NumberedPacket, CKvIfc_VectorPacket<NumberedPacket>, CKvIfc_StaticDesc<NumberedPacket>>(gNames[i]);
    }
    Material<NumberedMaterial>("dup");
    kv::RegisterServer<NumberedPacket, CKvIfc_VectorPacket<NumberedPacket>, CKvIfc_StaticDesc<NumberedPacket>>("dup");
    Material<Thrower>("throw.methods");
    Material<CtorOutOfMemory>("throw.ctor.oom");
    Material<CtorCode>("throw.ctor.code");
    Material<CtorForeign>("throw.ctor.foreign");
}

// Throws: the module must still free its cache, and the host's Release return.
void cleanup() {
    Note("cleanup");
    throw std::runtime_error("cleanup failed");
}
