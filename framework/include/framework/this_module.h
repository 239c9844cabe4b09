// The single module object of a plug-in library: serves Module,
// TagDescription and NeedContext, is the factory of its own COM objects,
// owns the server registry and the globals cache.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "framework/adaptor_module.h"
#include "framework/com.h"
#include "framework/globals.h"

class CKvThisModule : public CKvImpl_Module,
                      public CKvImpl_TagDescription,
                      public CKvImpl_NeedContext,
                      public CKvGenericPolymorph,
                      public CKvGlobalCache {
public:
    static constexpr int32_t kGrowth = 20;  // registry slots added at a time

    CKvThisModule();
    ~CKvThisModule() override;

    KvResult mod_Generate(const char* name, const st_KVtGUID* iid, void** out) override;
    unsigned tag_Count() override;
    KvResult tag_Describe(unsigned index, st_KVtTagInfoDesc* out) override;
    KvResult need_SetContext(vt_IKvUnknown** root) override;

    void* NewObj() override;
    void FreeObj(void* obj) override;

    void AddServer(const char* name, CKvGenericPolymorph* factory);
    void AdoptServer(const char* name, CKvGenericPolymorph* factory);
    CKvGenericPolymorph* FindServer(const char* name) const;
    // Forgets the servers registered after the first `count` (a failed
    // initialize() must not leave half its servers listed). Factories the
    // module owns stay owned and are freed at unload.
    void TruncateServers(unsigned count);
    // The cache owns the spawner from now on; the module gives it up.
    void AddSpawner(const char* name, CKvGenericPolymorph* factory);

    int Lifecycle() const { return m_lifecycle.load(std::memory_order_acquire); }
    void SetLifecycle(int state) { m_lifecycle.store(state, std::memory_order_release); }
    unsigned ServerCount() const { return m_count; }
    int Capacity() const { return m_capacity; }

private:
    CKvGenericPolymorph** m_factories = nullptr;
    const char** m_names = nullptr;
    const st_KVtGUID** m_guids = nullptr;
    uint32_t m_count = 0;
    int32_t m_capacity = 0;
    std::atomic<int32_t> m_lifecycle{0};
    std::atomic<int32_t> m_liveInstances{0};  // module instances alive
    std::vector<CKvGenericPolymorph*> m_owned;  // factories deleted at unload

    CKvIfc_Module<CKvThisModule> m_ifcModule;
    CKvIfc_TagDescription<CKvThisModule> m_ifcTags;
    CKvIfc_NeedContext<CKvThisModule> m_ifcContext;
};

extern CKvThisModule thisModule;
