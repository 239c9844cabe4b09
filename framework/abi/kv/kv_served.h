// Method tables of the interfaces that a plug-in serves to the host, in host
// slot order. Each function takes the interface pointer the host holds first.
#pragma once

#include "kv_records.h"
#include "kv_types.h"

// Module: served by a plug-in's module object.
struct vt_IKvModule {
    vt_IKvUnknown unk;
    KvResult (*Generate)(void* self, const char* name, const st_KVtGUID* iid, void** out);  // 3
    KvResult (*GetTags)(void* self, const char* name, const st_KVtGUID* iid, void** out);   // 4
};
KV_ASSERT_SLOT(vt_IKvModule, Generate, 3);
KV_ASSERT_SLOT(vt_IKvModule, GetTags, 4);

// TagDescription: the module's server list, or a server's static tags.
struct vt_IKvTagDescription {
    vt_IKvUnknown unk;
    uint32_t (*Count)(void* self);                                          // 3
    KvResult (*Describe)(void* self, uint32_t index, st_KVtTagInfoDesc* out);  // 4
};
KV_ASSERT_SLOT(vt_IKvTagDescription, Count, 3);
KV_ASSERT_SLOT(vt_IKvTagDescription, Describe, 4);

// NeedContext: the host hands the module its root context (one reference,
// which the module then owns).
struct vt_IKvNeedContext {
    vt_IKvUnknown unk;
    KvResult (*SetContext)(void* self, vt_IKvUnknown** root);  // 3
};
KV_ASSERT_SLOT(vt_IKvNeedContext, SetContext, 3);

// CustomMaterial: the material protocol.
struct vt_IKvCustomMaterial {
    vt_IKvUnknown unk;
    KvResult (*SetupChannels)(void* self, vt_IKvUnknown** addChan);                             // 3
    KvResult (*LinkChannels)(void* self, vt_IKvUnknown** eval, vt_IKvUnknown** item);            // 4
    KvResult (*LinkSampleChannels)(void* self, vt_IKvUnknown** eval, vt_IKvUnknown** item,
                                   int32_t* idx);                                                // 5
    int32_t (*IsSampleDriven)(void* self, int32_t* idx);                                         // 6
    KvResult (*ReadChannels)(void* self, vt_IKvUnknown** attr, void** data);                    // 7
    KvResult (*Customize)(void* self, vt_IKvUnknown** custom, void** data);                     // 8
    void (*MaterialEvaluate)(void* self, vt_IKvUnknown** evaluator, int32_t* idx,
                             vt_IKvUnknown** vector, void* data);                                // 9
    void (*ShaderEvaluate)(void* self, vt_IKvUnknown** vector, vt_IKvUnknown** rayObj,
                           st_KVpShadeComponents* sc, st_KVpShadeOutput* out, void* data);     // 10
    KvResult (*SetShadeFlags)(void* self, st_KVpShadeFlags* flags);                             // 11
    KvResult (*SetBump)(void* self, float* amplitude, int32_t* clearBump);                      // 12
    KvResult (*SetDisplacement)(void* self, float* dispDist);                                   // 13
    KvResult (*SetOpaque)(void* self, int32_t* opaque);                                         // 14
    KvResult (*SetSmoothing)(void* self, double* smooth, double* angle);                        // 15
    KvResult (*CustomPacket)(void* self, const char** packet);                                  // 16
    void (*Cleanup)(void* self, void* data);                                                     // 17
    KvResult (*UpdatePreview)(void* self, int32_t chanIdx, int32_t* flags);                     // 18
    int32_t (*Flags)(void* self);                                                                // 19
};
KV_ASSERT_SLOT(vt_IKvCustomMaterial, SetupChannels, 3);
KV_ASSERT_SLOT(vt_IKvCustomMaterial, LinkChannels, 4);
KV_ASSERT_SLOT(vt_IKvCustomMaterial, LinkSampleChannels, 5);
KV_ASSERT_SLOT(vt_IKvCustomMaterial, IsSampleDriven, 6);
KV_ASSERT_SLOT(vt_IKvCustomMaterial, ReadChannels, 7);
KV_ASSERT_SLOT(vt_IKvCustomMaterial, Customize, 8);
KV_ASSERT_SLOT(vt_IKvCustomMaterial, MaterialEvaluate, 9);
KV_ASSERT_SLOT(vt_IKvCustomMaterial, ShaderEvaluate, 10);
KV_ASSERT_SLOT(vt_IKvCustomMaterial, SetShadeFlags, 11);
KV_ASSERT_SLOT(vt_IKvCustomMaterial, SetBump, 12);
KV_ASSERT_SLOT(vt_IKvCustomMaterial, SetDisplacement, 13);
KV_ASSERT_SLOT(vt_IKvCustomMaterial, SetOpaque, 14);
KV_ASSERT_SLOT(vt_IKvCustomMaterial, SetSmoothing, 15);
KV_ASSERT_SLOT(vt_IKvCustomMaterial, CustomPacket, 16);
KV_ASSERT_SLOT(vt_IKvCustomMaterial, Cleanup, 17);
KV_ASSERT_SLOT(vt_IKvCustomMaterial, UpdatePreview, 18);
KV_ASSERT_SLOT(vt_IKvCustomMaterial, Flags, 19);

// ChannelUI: enabling, dependencies and hints of a material's channels.
struct vt_IKvChannelUI {
    vt_IKvUnknown unk;
    KvResult (*Enabled)(void* self, const char* channel, vt_IKvUnknown** msg, vt_IKvUnknown** item,
                        vt_IKvUnknown** chanRead);                                               // 3
    KvResult (*DependencyCount)(void* self, const char* channel, uint32_t* count);               // 4
    KvResult (*DependencyByIndex)(void* self, const char* channel, uint32_t index, int32_t* itemType,
                                  const char** depChannel);                                      // 5
    KvResult (*DependencyByIndexName)(void* self, const char* channel, uint32_t index,
                                      const char** itemTypeName, const char** depChannel);       // 6
    KvResult (*ItemEnabled)(void* self, vt_IKvUnknown** msg, vt_IKvUnknown** item);              // 7
    KvResult (*ItemIcon)(void* self, vt_IKvUnknown** item, const char** icon);                   // 8
    KvResult (*UIHints)(void* self, const char* channel, vt_IKvUnknown** hints);                 // 9
    KvResult (*UIValueHints)(void* self, const char* channel, void** out);                       // 10
    KvResult (*Cookie)(void* self, const char* channel, const char* request, const char** cookie);  // 11
};
KV_ASSERT_SLOT(vt_IKvChannelUI, Enabled, 3);
KV_ASSERT_SLOT(vt_IKvChannelUI, DependencyCount, 4);
KV_ASSERT_SLOT(vt_IKvChannelUI, DependencyByIndex, 5);
KV_ASSERT_SLOT(vt_IKvChannelUI, DependencyByIndexName, 6);
KV_ASSERT_SLOT(vt_IKvChannelUI, ItemEnabled, 7);
KV_ASSERT_SLOT(vt_IKvChannelUI, ItemIcon, 8);
KV_ASSERT_SLOT(vt_IKvChannelUI, UIHints, 9);
KV_ASSERT_SLOT(vt_IKvChannelUI, UIValueHints, 10);
KV_ASSERT_SLOT(vt_IKvChannelUI, Cookie, 11);

// Type tag of a packet node (host-defined; no plug-in publishes nodes).
typedef int32_t VPacketPubType;

// VectorPacket: a block of per-sample values inside the host's sample vector.
struct vt_IKvVectorPacket {
    vt_IKvUnknown unk;
    uint32_t (*Size)(void* self);                                                         // 3
    const char* (*Interface)(void* self);                                                 // 4
    KvResult (*Initialize)(void* self, void* packet);                                     // 5
    void (*Reset)(void* self, void* packet);                                              // 6
    KvResult (*Copy)(void* self, void* packet, void* from);                               // 7
    void (*Cleanup)(void* self, void* packet);                                            // 8
    KvResult (*Blend)(void* self, void* packet, void* p0, void* p1, float t, int32_t mode);  // 9
    KvResult (*Invert)(void* self, void* packet);                                         // 10
    uint32_t (*NodeCount)(void* self);                                                    // 11
    KvResult (*NodeName)(void* self, uint32_t index, const char** name);                  // 12
    KvResult (*NodeType)(void* self, uint32_t index, VPacketPubType* type, uint32_t* count,
                         const char** typeName, const char** vecType);                    // 13
    KvResult (*NodeGet)(void* self, uint32_t index, void* packet, void** out);            // 14
};
KV_ASSERT_SLOT(vt_IKvVectorPacket, Size, 3);
KV_ASSERT_SLOT(vt_IKvVectorPacket, Interface, 4);
KV_ASSERT_SLOT(vt_IKvVectorPacket, Initialize, 5);
KV_ASSERT_SLOT(vt_IKvVectorPacket, Reset, 6);
KV_ASSERT_SLOT(vt_IKvVectorPacket, Copy, 7);
KV_ASSERT_SLOT(vt_IKvVectorPacket, Cleanup, 8);
KV_ASSERT_SLOT(vt_IKvVectorPacket, Blend, 9);
KV_ASSERT_SLOT(vt_IKvVectorPacket, Invert, 10);
KV_ASSERT_SLOT(vt_IKvVectorPacket, NodeCount, 11);
KV_ASSERT_SLOT(vt_IKvVectorPacket, NodeName, 12);
KV_ASSERT_SLOT(vt_IKvVectorPacket, NodeType, 13);
KV_ASSERT_SLOT(vt_IKvVectorPacket, NodeGet, 14);

// Packet-effect value flags.
#define KV_PFX_FLAG_FLOAT 0x30  // one float
#define KV_PFX_FLAG_COLOR 0x31  // three floats (a colour)

// PacketEffect: named values of a packet that texture layers set and read.
struct vt_IKvPacketEffect {
    vt_IKvUnknown unk;
    KvResult (*Packet)(void* self, const char** packet);                                         // 3
    uint32_t (*Count)(void* self);                                                               // 4
    KvResult (*ByIndex)(void* self, int32_t index, const char** name, const char** typeName,
                        int32_t* flags);                                                         // 5
    KvResult (*Get)(void* self, int32_t index, void* packet, float* value, void* item);          // 6
    KvResult (*Set)(void* self, int32_t index, void* packet, const float* value, void* item);    // 7
};
KV_ASSERT_SLOT(vt_IKvPacketEffect, Packet, 3);
KV_ASSERT_SLOT(vt_IKvPacketEffect, Count, 4);
KV_ASSERT_SLOT(vt_IKvPacketEffect, ByIndex, 5);
KV_ASSERT_SLOT(vt_IKvPacketEffect, Get, 6);
KV_ASSERT_SLOT(vt_IKvPacketEffect, Set, 7);

// SceneItemListener: scene events the host sends to a registered listener.
// Every callback returns nothing.
struct vt_IKvSceneItemListener {
    vt_IKvUnknown unk;
    void (*SceneCreate)(void* self, vt_IKvUnknown** scene);                                 // 3
    void (*SceneDestroy)(void* self, vt_IKvUnknown** scene);                                // 4
    void (*SceneFilename)(void* self, vt_IKvUnknown** scene, const char* filename);         // 5
    void (*SceneClear)(void* self, vt_IKvUnknown** scene);                                  // 6
    void (*ItemPreChange)(void* self, vt_IKvUnknown** scene);                               // 7
    void (*ItemPostDelete)(void* self, vt_IKvUnknown** scene);                              // 8
    void (*ItemAdd)(void* self, vt_IKvUnknown** item);                                      // 9
    void (*ItemRemove)(void* self, vt_IKvUnknown** item);                                   // 10
    void (*ItemParent)(void* self, vt_IKvUnknown** item);                                   // 11
    void (*ItemChild)(void* self, vt_IKvUnknown** item);                                    // 12
    void (*ItemAddChannel)(void* self, vt_IKvUnknown** item);                               // 13
    void (*ItemLocal)(void* self, vt_IKvUnknown** item);                                    // 14
    void (*ItemName)(void* self, vt_IKvUnknown** item);                                     // 15
    void (*ItemSource)(void* self, vt_IKvUnknown** item);                                   // 16
    void (*ItemPackage)(void* self, vt_IKvUnknown** item);                                  // 17
    void (*ChannelValue)(void* self, const char* action, vt_IKvUnknown** item, uint32_t channel);  // 18
    void (*LinkAdd)(void* self, const char* graph, vt_IKvUnknown** from, vt_IKvUnknown** to);      // 19
    void (*LinkRemBefore)(void* self, const char* graph, vt_IKvUnknown** from, vt_IKvUnknown** to);  // 20
    void (*LinkRemAfter)(void* self, const char* graph, vt_IKvUnknown** from, vt_IKvUnknown** to);   // 21
    void (*LinkSet)(void* self, const char* graph, vt_IKvUnknown** from, vt_IKvUnknown** to);        // 22
    void (*ChanLinkAdd)(void* self, const char* graph, vt_IKvUnknown** from, uint32_t fromChan,
                        vt_IKvUnknown** to, uint32_t toChan);                                 // 23
    void (*ChanLinkRemBefore)(void* self, const char* graph, vt_IKvUnknown** from, uint32_t fromChan,
                              vt_IKvUnknown** to, uint32_t toChan);                           // 24
    void (*ChanLinkRemAfter)(void* self, const char* graph, vt_IKvUnknown** from, uint32_t fromChan,
                             vt_IKvUnknown** to, uint32_t toChan);                            // 25
    void (*ChanLinkSet)(void* self, const char* graph, vt_IKvUnknown** from, uint32_t fromChan,
                        vt_IKvUnknown** to, uint32_t toChan);                                 // 26
    void (*ItemTag)(void* self, vt_IKvUnknown** item);                                      // 27
    void (*ItemRemoveChannel)(void* self, vt_IKvUnknown** item);                            // 28
    void (*ItemChannelName)(void* self, vt_IKvUnknown** item, uint32_t channel);            // 29
    void (*ItemChannelDefault)(void* self, vt_IKvUnknown** item, uint32_t channel);         // 30
    void (*ItemChannelMinMax)(void* self, vt_IKvUnknown** item, uint32_t channel);          // 31
    void (*ItemChannelType)(void* self, vt_IKvUnknown** item, uint32_t channel);            // 32
};
KV_ASSERT_SLOT(vt_IKvSceneItemListener, SceneCreate, 3);
KV_ASSERT_SLOT(vt_IKvSceneItemListener, ItemAdd, 9);
KV_ASSERT_SLOT(vt_IKvSceneItemListener, ChannelValue, 18);
KV_ASSERT_SLOT(vt_IKvSceneItemListener, ChanLinkAdd, 23);
KV_ASSERT_SLOT(vt_IKvSceneItemListener, ItemTag, 27);
KV_ASSERT_SLOT(vt_IKvSceneItemListener, ItemChannelType, 32);
