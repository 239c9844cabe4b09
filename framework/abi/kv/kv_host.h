// Method tables of the host's interfaces and services, in host slot order.
// Every slot up to the highest one used is listed; the slots no plug-in calls
// are KvUnusedSlot and answer KV_E_NOTIMPL. Each function takes the interface
// pointer first. Arguments of several numbers pass as a pointer to the first.
#pragma once

#include "kv_records.h"
#include "kv_types.h"

// ---- services (found from the root context by GUID) ----

// GUID service: the host's own GUID records.
struct vt_IKvGUIDService {
    vt_IKvUnknown unk;
    const st_KVtGUID* (*Fixed)(void* self, const char* text);         // 3: record for a text form, or null
    KvUnusedSlot slot4;
    KvUnusedSlot slot5;
    const st_KVtGUID* (*Canonical)(void* self, const st_KVtGUID* g);  // 6: canonical record of equal value, or null
};
KV_ASSERT_SLOT(vt_IKvGUIDService, Fixed, 3);
KV_ASSERT_SLOT(vt_IKvGUIDService, Canonical, 6);

// A mutex made by the thread service (slot 2 releases it).
struct vt_IKvMutex {
    vt_IKvUnknown unk;
    KvResult (*Enter)(void* self);  // 3: returns when held
    KvResult (*Leave)(void* self);  // 4
};
KV_ASSERT_SLOT(vt_IKvMutex, Enter, 3);
KV_ASSERT_SLOT(vt_IKvMutex, Leave, 4);

struct vt_IKvThreadService {
    vt_IKvUnknown unk;
    KvResult (*CreateMutex)(void* self, void** mutex);  // 3: new mutex, one reference
    KvUnusedSlot slot4, slot5, slot6, slot7, slot8, slot9, slot10, slot11, slot12, slot13;
    int32_t (*AtomicIncrement)(void* self, int32_t* value);  // 14: returns the new value
    int32_t (*AtomicDecrement)(void* self, int32_t* value);  // 15: returns the new value
};
KV_ASSERT_SLOT(vt_IKvThreadService, CreateMutex, 3);
KV_ASSERT_SLOT(vt_IKvThreadService, AtomicIncrement, 14);
KV_ASSERT_SLOT(vt_IKvThreadService, AtomicDecrement, 15);

struct vt_IKvPacketService {
    vt_IKvUnknown unk;
    KvUnusedSlot slot3;
    KvResult (*Lookup)(void* self, const char* category, const char* name, int32_t* offset);  // 4
    KvUnusedSlot slot5;
    void* (*FastPacket)(void* self, vt_IKvUnknown** vector, int32_t offset);  // 6: null when absent or offset < 0
};
KV_ASSERT_SLOT(vt_IKvPacketService, Lookup, 4);
KV_ASSERT_SLOT(vt_IKvPacketService, FastPacket, 6);

struct vt_IKvSceneService {
    vt_IKvUnknown unk;
    KvUnusedSlot slot3, slot4, slot5, slot6;
    KvResult (*ItemTypeLookup)(void* self, const char* typeName, uint32_t* typeCode);  // 7: codes are never 0
};
KV_ASSERT_SLOT(vt_IKvSceneService, ItemTypeLookup, 7);

struct vt_IKvNodalService {
    vt_IKvUnknown unk;
    KvResult (*AddSampleChan)(void* self, vt_IKvUnknown** eval, vt_IKvUnknown** item, uint32_t chanIndex,
                              int32_t* idxArray, int32_t mode);                                        // 3
    KvUnusedSlot slot4;
    double (*GetFloat)(void* self, vt_IKvUnknown** evaluator, int32_t* idxArray, uint32_t chanIndex,
                       double current);                                                               // 5
    int32_t (*GetInt)(void* self, vt_IKvUnknown** evaluator, int32_t* idxArray, uint32_t chanIndex,
                      int32_t current);                                                               // 6
    KvUnusedSlot slot7, slot8, slot9;
    int32_t (*AnyDrivenChans)(void* self, int32_t* firstEntry, uint32_t count);                      // 10
};
KV_ASSERT_SLOT(vt_IKvNodalService, AddSampleChan, 3);
KV_ASSERT_SLOT(vt_IKvNodalService, GetFloat, 5);
KV_ASSERT_SLOT(vt_IKvNodalService, GetInt, 6);
KV_ASSERT_SLOT(vt_IKvNodalService, AnyDrivenChans, 10);

struct vt_IKvListenerService {
    vt_IKvUnknown unk;
    KvUnusedSlot slot3;
    KvResult (*AddListener)(void* self, vt_IKvUnknown** listener);     // 4: the host adds a reference
    KvResult (*RemoveListener)(void* self, vt_IKvUnknown** listener);  // 5: the host drops it
};
KV_ASSERT_SLOT(vt_IKvListenerService, AddListener, 4);
KV_ASSERT_SLOT(vt_IKvListenerService, RemoveListener, 5);

struct vt_IKvStdDialogService {
    vt_IKvUnknown unk;
    KvUnusedSlot slot3;
    KvResult (*MonitorAllocate)(void* self, const char* title, void** monitor);  // 4
    KvResult (*MonitorRelease)(void* self);                                      // 5
};
KV_ASSERT_SLOT(vt_IKvStdDialogService, MonitorAllocate, 4);
KV_ASSERT_SLOT(vt_IKvStdDialogService, MonitorRelease, 5);

struct vt_IKvShaderService {
    vt_IKvUnknown unk;
    KvUnusedSlot slot3, slot4, slot5;
    KvResult (*SquareToCircle)(void* self, float* u, float* v);  // 6: warps the pair in [-1,1]^2 in place
    KvUnusedSlot slot7, slot8, slot9, slot10, slot11;
    KvResult (*NextRandom)(void* self, vt_IKvUnknown** vector, float* u, float* v);  // 12: a new pair in [0,1)
};
KV_ASSERT_SLOT(vt_IKvShaderService, SquareToCircle, 6);
KV_ASSERT_SLOT(vt_IKvShaderService, NextRandom, 12);

// ---- per-call and scene objects ----

// AddChannel: the channel adder passed to SetupChannels. Results are ignored.
struct vt_IKvAddChannel {
    vt_IKvUnknown unk;
    KvResult (*NewChannel)(void* self, const char* name, const char* type);      // 3
    KvResult (*SetGradient)(void* self, const char* inputType);                  // 4
    KvUnusedSlot slot5;
    KvResult (*SetVector)(void* self, const char* vectorType);                   // 6: "RGB"
    KvResult (*SetDefault)(void* self, double dflt, int32_t iDflt);              // 7
    KvResult (*SetDefaultVec)(void* self, const double* dflt3);                  // 8
    KvResult (*SetHint)(void* self, const st_KVtTextValueHint* hints);           // 9
};
KV_ASSERT_SLOT(vt_IKvAddChannel, NewChannel, 3);
KV_ASSERT_SLOT(vt_IKvAddChannel, SetGradient, 4);
KV_ASSERT_SLOT(vt_IKvAddChannel, SetVector, 6);
KV_ASSERT_SLOT(vt_IKvAddChannel, SetDefault, 7);
KV_ASSERT_SLOT(vt_IKvAddChannel, SetDefaultVec, 8);
KV_ASSERT_SLOT(vt_IKvAddChannel, SetHint, 9);

struct vt_IKvItem {
    vt_IKvUnknown unk;
    KvUnusedSlot slot3;
    KvResult (*TestType)(void* self, uint32_t typeCode);  // 4: KV_TRUE (0) when the item is of that type
    KvUnusedSlot slot5, slot6, slot7, slot8, slot9, slot10, slot11, slot12, slot13, slot14, slot15, slot16, slot17;
    KvResult (*Context)(void* self, void** scene);  // 18: the item's scene
    KvUnusedSlot slot19, slot20, slot21, slot22, slot23;
    KvResult (*ChannelLookup)(void* self, const char* name, uint32_t* index);  // 24
};
KV_ASSERT_SLOT(vt_IKvItem, TestType, 4);
KV_ASSERT_SLOT(vt_IKvItem, Context, 18);
KV_ASSERT_SLOT(vt_IKvItem, ChannelLookup, 24);

// Evaluation modes of Evaluation slot 3.
#define KV_EVAL_VALUE  1u  // the channel's plain value
#define KV_EVAL_MATRIX 5u  // a world-matrix channel, read as a Matrix object

struct vt_IKvEvaluation {
    vt_IKvUnknown unk;
    KvResult (*AddChannel)(void* self, vt_IKvUnknown** item, uint32_t chanIndex, uint32_t mode,
                           uint32_t* evalIndex);  // 3
};
KV_ASSERT_SLOT(vt_IKvEvaluation, AddChannel, 3);

struct vt_IKvAttributes {
    vt_IKvUnknown unk;
    KvUnusedSlot slot3, slot4, slot5, slot6, slot7, slot8;
    KvResult (*Value)(void* self, uint32_t evalIndex, void** obj, int32_t writeAccess);  // 9: object value, +1 ref
    KvResult (*GetInt)(void* self, uint32_t evalIndex, int32_t* value);                 // 10
    KvUnusedSlot slot11;
    KvResult (*GetFlt)(void* self, uint32_t evalIndex, double* value);                  // 12
};
KV_ASSERT_SLOT(vt_IKvAttributes, Value, 9);
KV_ASSERT_SLOT(vt_IKvAttributes, GetInt, 10);
KV_ASSERT_SLOT(vt_IKvAttributes, GetFlt, 12);

struct vt_IKvChannelRead {
    vt_IKvUnknown unk;
    KvUnusedSlot slot3;
    KvResult (*Integer)(void* self, vt_IKvUnknown** item, uint32_t chanIndex, int32_t* value);  // 4
    KvUnusedSlot slot5, slot6;
    KvResult (*Envelope)(void* self, vt_IKvUnknown** item, uint32_t chanIndex, void** env);     // 7
};
KV_ASSERT_SLOT(vt_IKvChannelRead, Integer, 4);
KV_ASSERT_SLOT(vt_IKvChannelRead, Envelope, 7);

struct vt_IKvChannelWrite {
    vt_IKvUnknown unk;
    KvUnusedSlot slot3, slot4, slot5, slot6;
    KvResult (*Envelope)(void* self, vt_IKvUnknown** item, uint32_t chanIndex, void** env);  // 7: made if needed
};
KV_ASSERT_SLOT(vt_IKvChannelWrite, Envelope, 7);

struct vt_IKvEnvelope {
    vt_IKvUnknown unk;
    KvUnusedSlot slot3;
    KvResult (*Keyframe)(void* self, void** keyframe);  // 4
};
KV_ASSERT_SLOT(vt_IKvEnvelope, Keyframe, 4);

struct vt_IKvKeyframe {
    vt_IKvUnknown unk;
    KvUnusedSlot slot3, slot4, slot5, slot6, slot7, slot8, slot9, slot10, slot11, slot12, slot13, slot14, slot15,
        slot16, slot17, slot18;
    KvResult (*SetSlopeType)(void* self, int32_t type, int32_t side);  // 19: mode of the key just added
    KvUnusedSlot slot20;
    KvResult (*AddF)(void* self, double input, double value);          // 21: adds a key
};
KV_ASSERT_SLOT(vt_IKvKeyframe, SetSlopeType, 19);
KV_ASSERT_SLOT(vt_IKvKeyframe, AddF, 21);

struct vt_IKvGradientFilter {
    vt_IKvUnknown unk;
    double (*Evaluate)(void* self, double input);  // 3: the gradient's value at the input
};
KV_ASSERT_SLOT(vt_IKvGradientFilter, Evaluate, 3);

struct vt_IKvScene {
    vt_IKvUnknown unk;
    KvUnusedSlot slot3, slot4, slot5, slot6, slot7, slot8, slot9, slot10, slot11, slot12;
    KvResult (*GetChannels)(void* self, const char* action, double time, void** chanAccess);  // 13: "setup" / "edit"
    KvUnusedSlot slot14, slot15, slot16, slot17, slot18, slot19, slot20, slot21, slot22, slot23;
    KvResult (*GetGraph)(void* self, const char* graphName, void** graph);  // 24
    KvUnusedSlot slot25, slot26, slot27, slot28, slot29, slot30, slot31, slot32, slot33, slot34, slot35, slot36;
    KvResult (*RenderCameraByIndex)(void* self, int32_t index, void** item);  // 37
};
KV_ASSERT_SLOT(vt_IKvScene, GetChannels, 13);
KV_ASSERT_SLOT(vt_IKvScene, GetGraph, 24);
KV_ASSERT_SLOT(vt_IKvScene, RenderCameraByIndex, 37);

// SceneGraph: no slot is called; the graph is queried for ItemGraph.
struct vt_IKvSceneGraph {
    vt_IKvUnknown unk;
};

struct vt_IKvItemGraph {
    vt_IKvUnknown unk;
    KvUnusedSlot slot3, slot4, slot5;
    KvResult (*FwdCount)(void* self, vt_IKvUnknown** item, uint32_t* count);               // 6
    KvResult (*FwdByIndex)(void* self, vt_IKvUnknown** item, uint32_t index, void** out);  // 7
};
KV_ASSERT_SLOT(vt_IKvItemGraph, FwdCount, 6);
KV_ASSERT_SLOT(vt_IKvItemGraph, FwdByIndex, 7);

struct vt_IKvMatrix {
    vt_IKvUnknown unk;
    KvResult (*Get3)(void* self, double* m9);      // 3: 3x3 part, row by row
    KvResult (*Get4)(void* self, double* m16);     // 4: whole 4x4, row by row
    KvResult (*GetOffset)(void* self, double* t3);  // 5: translation
    KvUnusedSlot slot6, slot7, slot8, slot9, slot10, slot11, slot12;
    KvResult (*Invert)(void* self);                // 13: in place
};
KV_ASSERT_SLOT(vt_IKvMatrix, Get3, 3);
KV_ASSERT_SLOT(vt_IKvMatrix, Get4, 4);
KV_ASSERT_SLOT(vt_IKvMatrix, GetOffset, 5);
KV_ASSERT_SLOT(vt_IKvMatrix, Invert, 13);

// Monitor: a progress monitor; no slot is called by the plug-ins.
struct vt_IKvMonitor {
    vt_IKvUnknown unk;
};

struct vt_IKvImageFilter {
    vt_IKvUnknown unk;
    KvUnusedSlot slot3;
    KvResult (*Generate)(void* self, uint32_t width, uint32_t height, vt_IKvUnknown** monitor,
                         void** image);  // 4: an image of that size
};
KV_ASSERT_SLOT(vt_IKvImageFilter, Generate, 4);

struct vt_IKvImage {
    vt_IKvUnknown unk;
    KvResult (*Size)(void* self, uint32_t* width, uint32_t* height);  // 3
    KvUnusedSlot slot4;
    KvResult (*GetPixel)(void* self, uint32_t x, uint32_t y, int32_t format, float* rgba);  // 5
};
KV_ASSERT_SLOT(vt_IKvImage, Size, 3);
KV_ASSERT_SLOT(vt_IKvImage, GetPixel, 5);

struct vt_IKvMessage {
    vt_IKvUnknown unk;
    KvUnusedSlot slot3;
    KvResult (*SetCode)(void* self, KvResult code);                                   // 4
    KvResult (*SetMessage)(void* self, const char* table, const char* name, uint32_t id);  // 5: ("common", 0, 99)
    KvUnusedSlot slot6, slot7;
    KvResult (*SetArgumentString)(void* self, uint32_t arg, const char* text);        // 8
};
KV_ASSERT_SLOT(vt_IKvMessage, SetCode, 4);
KV_ASSERT_SLOT(vt_IKvMessage, SetMessage, 5);
KV_ASSERT_SLOT(vt_IKvMessage, SetArgumentString, 8);

struct vt_IKvUIHints {
    vt_IKvUnknown unk;
    KvUnusedSlot slot3, slot4, slot5, slot6, slot7, slot8, slot9, slot10, slot11, slot12, slot13, slot14, slot15,
        slot16, slot17, slot18;
    KvResult (*ChannelFlags)(void* self, int32_t flags);  // 19: hint 4 on the channel described
};
KV_ASSERT_SLOT(vt_IKvUIHints, ChannelFlags, 19);

// Raycast: tracing from a sample and the surface seen at a screen offset.
struct vt_IKvRaycast {
    vt_IKvUnknown unk;
    vt_IKvUnknown** (*PushVector)(void* self, vt_IKvUnknown** vector);  // 3: nested vector, or null
    KvResult (*PopVector)(void* self, vt_IKvUnknown** vector);          // 4: the vector given to slot 3
    KvUnusedSlot slot5;
    float (*TraceRay)(void* self, vt_IKvUnknown** newVector, const double* origin, const float* dir,
                      uint32_t flags);  // 6: hit distance, > 0 on a hit
    KvUnusedSlot slot7, slot8, slot9, slot10, slot11;
    KvResult (*SurfaceAtOffset)(void* self, vt_IKvUnknown** vector, int32_t zero, st_KVpSurfaceRecord* rec,
                                float dx, float dy);  // 12
};
KV_ASSERT_SLOT(vt_IKvRaycast, PushVector, 3);
KV_ASSERT_SLOT(vt_IKvRaycast, PopVector, 4);
KV_ASSERT_SLOT(vt_IKvRaycast, TraceRay, 6);
KV_ASSERT_SLOT(vt_IKvRaycast, SurfaceAtOffset, 12);

// Raycast1: the second ray-cast interface of the ray object.
struct vt_IKvRaycast1 {
    vt_IKvUnknown unk;
    vt_IKvUnknown** (*PushVector)(void* self, vt_IKvUnknown** vector);  // 3
    KvResult (*PopVector)(void* self, vt_IKvUnknown** vector);          // 4
    KvUnusedSlot slot5;
    float (*TraceRay)(void* self, vt_IKvUnknown** newVector, const double* origin, const float* dir,
                      uint32_t flags);  // 6
    KvUnusedSlot slot7, slot8, slot9, slot10, slot11, slot12, slot13, slot14, slot15, slot16, slot17, slot18;
    KvResult (*NormalAtOffset)(void* self, float dx, float dy, vt_IKvUnknown** vector, int32_t zero,
                               float* normal3);  // 19: shading normal seen at a screen offset
    KvUnusedSlot slot20, slot21, slot22;
    KvResult (*Pixel)(void* self, vt_IKvUnknown** vector, int32_t* x, int32_t* y);      // 23
    KvResult (*SubPixel)(void* self, vt_IKvUnknown** vector, float* fx, float* fy);     // 24: in [0,1)
};
KV_ASSERT_SLOT(vt_IKvRaycast1, PushVector, 3);
KV_ASSERT_SLOT(vt_IKvRaycast1, TraceRay, 6);
KV_ASSERT_SLOT(vt_IKvRaycast1, NormalAtOffset, 19);
KV_ASSERT_SLOT(vt_IKvRaycast1, Pixel, 23);
KV_ASSERT_SLOT(vt_IKvRaycast1, SubPixel, 24);
