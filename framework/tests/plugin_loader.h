// Loads a built test plug-in with the system loader. Each Plugin is a fresh
// copy of the file, so that each test sees newly initialised statics even
// when an earlier copy is still loaded.
#pragma once

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "kv/kv_abi.h"

namespace fake {

struct Plugin {
    void* handle = nullptr;
    KvModuleCreateFn create = nullptr;

    explicit Plugin(const char* name) {
        static int serial = 0;
        const std::string src = std::string(KV_TEST_PLUGIN_DIR) + "/" + name + ".kv";
        const std::string dst = std::filesystem::temp_directory_path().string() + "/" + name + "-" +
                                std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".kv";
        std::filesystem::copy_file(src, dst, std::filesystem::copy_options::overwrite_existing);
        handle = dlopen(dst.c_str(), RTLD_NOW | RTLD_LOCAL);
        std::filesystem::remove(dst);
        if (handle) create = reinterpret_cast<KvModuleCreateFn>(dlsym(handle, KV_MODULE_ENTRY_NAME));
    }
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;
    // Unloads the library (its static destructors run now).
    void Unload() {
        if (handle) dlclose(handle);
        handle = nullptr;
        create = nullptr;
    }
};

}  // namespace fake
