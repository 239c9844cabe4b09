// The whole plain ABI between the host and its plug-ins.
#pragma once

#include "kv_guids.h"
#include "kv_host.h"
#include "kv_records.h"
#include "kv_served.h"
#include "kv_types.h"

// The one symbol every plug-in library exports: returns the module's Module
// interface with one reference for the caller, or null when registration failed.
extern "C" typedef void* (*KvModuleCreateFn)(void);
#define KV_MODULE_ENTRY_NAME "_IKvModule_Create"
