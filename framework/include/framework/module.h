// The module: server registry, spawners and the plug-in's two hooks.
#pragma once

#include <memory>

#include "framework/com.h"

// Supplied by each plug-in. initialize() registers its servers and runs inside
// the first successful entry call (retried while it throws); cleanup() runs
// when the last module instance goes. The framework carries empty weak
// defaults so that test programs linking it need not define them.
void initialize();
void cleanup();

extern "C" __attribute__((visibility("default"))) void* _IKvModule_Create(void);

namespace kv {

// Registers a server under `name` (not copied: it must live as long as the
// library). Throws 0x80000002 when the registry cannot grow. The caller keeps
// ownership of `factory`.
void AddServer(const char* name, CKvGenericPolymorph* factory);
// The same, and the module takes ownership of `factory` (made with new): it
// is deleted when the library is unloaded. When registering throws, the
// factory stays the caller's.
void AdoptServer(const char* name, CKvGenericPolymorph* factory);
// The first server registered under `name`, or null.
CKvGenericPolymorph* FindServer(const char* name);
// Named factories owned by the globals cache (see CKvGlobalCache::AddSpawner);
// a factory the module owned passes to the cache.
void AddSpawner(const char* name, CKvGenericPolymorph* factory);
CKvGenericPolymorph* FindSpawner(const char* name);
// 0 constructed, 1 initialised, 2 freed.
int Lifecycle();

// Makes the factory of T, adds one record of each Records type in order (the
// first is the server's default interface) and registers it under `name`.
// The module owns the factory and the factory its records: both are freed
// when the library is unloaded. Nothing leaks when a step throws.
//   kv::RegisterServer<MyMaterial, CKvIfc_CustomMaterial<MyMaterial>,
//                      CKvIfc_ChannelUI<MyMaterial>, CKvIfc_StaticDesc<MyMaterial>>("my.material");
template <class T, class... Records>
CKvPolymorph<T>* RegisterServer(const char* name) {
    auto factory = std::make_unique<CKvPolymorph<T>>();
    (factory->AdoptInterface(new Records), ...);
    AdoptServer(name, factory.get());
    return factory.release();
}

}  // namespace kv
