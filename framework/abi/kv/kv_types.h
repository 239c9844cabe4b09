// Plain ABI shared by the host and its plug-ins: the GUID record, result codes,
// the unknown interface and the tag row. No implementation lives here.
#pragma once

#include <cstddef>
#include <cstdint>

// A 16-byte interface identifier. Numeric fields are stored in machine order,
// the last eight bytes as written in the text form.
struct st_KVtGUID {
    uint32_t d1;
    uint16_t d2;
    uint16_t d3;
    uint8_t d4[8];
};
static_assert(sizeof(st_KVtGUID) == 16);

// A result code: negative (bit 31 set) exactly when it reports a failure.
typedef int32_t KvResult;

#define KV_OK                ((KvResult)0)
#define KV_TRUE              ((KvResult)0)   // "yes" of a test slot (Item slot 4)
#define KV_FALSE             ((KvResult)1)   // "no" of a test slot
#define KV_E_FAILED          ((KvResult)0x80000000u)  // the server made no object
#define KV_E_NOTIMPL         ((KvResult)0x80000001u)  // not implemented
#define KV_E_OUTOFMEMORY     ((KvResult)0x80000002u)  // out of memory
#define KV_E_NOINTERFACE     ((KvResult)0x80000004u)  // no such interface
#define KV_E_OUTOFBOUNDS     ((KvResult)0x80000015u)  // index out of range
#define KV_E_NOTFOUND        ((KvResult)0x80000017u)  // not found
#define KV_E_SHORTBUFFER     ((KvResult)0x8000001Eu)  // text truncated to fit the buffer
#define KV_MSG_DISABLED      ((KvResult)0x84800004u)  // channel disabled (message code)

#define KV_FAILED(rc)   ((KvResult)(rc) < 0)
#define KV_SUCCEEDED(rc) ((KvResult)(rc) >= 0)

// Every interface pointer points at an object whose first word points at a
// method table; slots 0 to 2 of every table are these three.
struct vt_IKvUnknown {
    KvResult (*QueryInterface)(void* self, const st_KVtGUID* iid, void** out);
    uint32_t (*AddRef)(void* self);
    uint32_t (*Release)(void* self);
};

// A slot of a method table that neither side calls. Its holder answers
// KV_E_NOTIMPL and touches nothing.
typedef KvResult (*KvUnusedSlot)(void* self);

// One row of a tag description: {type, info, pointer}. A table ends with a row
// whose type is null. In a module's description the pointer is the server's
// default interface GUID; in a server's static table it is null.
struct st_KVtTagInfoDesc {
    const char* type;
    const char* info;
    const void* ptr;
};

// One row of a popup hint table: choices, then {-1, "=list-name"}, then {-1, null}.
struct st_KVtTextValueHint {
    int32_t value;
    const char* text;
};
static_assert(sizeof(st_KVtTextValueHint) == 16);

// Byte offset of slot n in a method table.
#define KV_SLOT_OFFSET(n) ((n) * sizeof(void*))
#define KV_ASSERT_SLOT(table, member, n) \
    static_assert(offsetof(table, member) == KV_SLOT_OFFSET(n), #table "::" #member " must be slot " #n)
