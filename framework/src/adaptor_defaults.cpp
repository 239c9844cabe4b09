// Defaults of the adaptor bases: 0x80000001 for every code-returning method
// unless noted, nothing for the void ones.
#include "framework/adaptor_material.h"
#include "framework/adaptor_module.h"
#include "framework/adaptor_packet.h"

KvResult CKvImpl_Module::mod_Generate(const char*, const st_KVtGUID*, void**) { return KV_E_NOTIMPL; }
KvResult CKvImpl_Module::mod_GetTags(const char*, const st_KVtGUID*, void**) { return KV_E_NOTIMPL; }
KvResult CKvImpl_TagDescription::tag_Describe(unsigned, st_KVtTagInfoDesc*) { return KV_E_NOTIMPL; }
KvResult CKvImpl_NeedContext::need_SetContext(vt_IKvUnknown**) { return KV_E_NOTIMPL; }

KvResult CKvImpl_CustomMaterial::cmt_SetupChannels(vt_IKvUnknown**) { return KV_E_NOTIMPL; }
KvResult CKvImpl_CustomMaterial::cmt_LinkChannels(vt_IKvUnknown**, vt_IKvUnknown**) { return KV_E_NOTIMPL; }
KvResult CKvImpl_CustomMaterial::cmt_LinkSampleChannels(vt_IKvUnknown**, vt_IKvUnknown**, int*) { return KV_OK; }
int CKvImpl_CustomMaterial::cmt_IsSampleDriven(int*) { return 1; }
KvResult CKvImpl_CustomMaterial::cmt_ReadChannels(vt_IKvUnknown**, void**) { return KV_E_NOTIMPL; }
KvResult CKvImpl_CustomMaterial::cmt_Customize(vt_IKvUnknown**, void**) { return KV_E_NOTIMPL; }
void CKvImpl_CustomMaterial::cmt_MaterialEvaluate(vt_IKvUnknown**, int*, vt_IKvUnknown**, void*) {}
void CKvImpl_CustomMaterial::cmt_ShaderEvaluate(vt_IKvUnknown**, vt_IKvUnknown**, st_KVpShadeComponents*,
                                                st_KVpShadeOutput*, void*) {}
KvResult CKvImpl_CustomMaterial::cmt_SetShadeFlags(st_KVpShadeFlags*) { return KV_E_NOTIMPL; }
KvResult CKvImpl_CustomMaterial::cmt_SetBump(float*, int*) { return KV_E_NOTIMPL; }
KvResult CKvImpl_CustomMaterial::cmt_SetDisplacement(float*) { return KV_E_NOTIMPL; }
KvResult CKvImpl_CustomMaterial::cmt_SetOpaque(int*) { return KV_E_NOTIMPL; }
KvResult CKvImpl_CustomMaterial::cmt_SetSmoothing(double*, double*) { return KV_E_NOTIMPL; }
KvResult CKvImpl_CustomMaterial::cmt_CustomPacket(const char**) { return KV_E_NOTIMPL; }
void CKvImpl_CustomMaterial::cmt_Cleanup(void*) {}
KvResult CKvImpl_CustomMaterial::cmt_UpdatePreview(int, int*) { return KV_E_NOTIMPL; }

KvResult CKvImpl_ChannelUI::cui_Enabled(const char*, vt_IKvUnknown**, vt_IKvUnknown**, vt_IKvUnknown**) { return KV_E_NOTIMPL; }
KvResult CKvImpl_ChannelUI::cui_DependencyCount(const char*, unsigned*) { return KV_E_NOTIMPL; }
KvResult CKvImpl_ChannelUI::cui_DependencyByIndex(const char*, unsigned, int*, const char**) { return KV_E_NOTIMPL; }
KvResult CKvImpl_ChannelUI::cui_DependencyByIndexName(const char*, unsigned, const char**, const char**) { return KV_E_NOTIMPL; }
KvResult CKvImpl_ChannelUI::cui_ItemEnabled(vt_IKvUnknown**, vt_IKvUnknown**) { return KV_E_NOTIMPL; }
KvResult CKvImpl_ChannelUI::cui_ItemIcon(vt_IKvUnknown**, const char**) { return KV_E_NOTIMPL; }
KvResult CKvImpl_ChannelUI::cui_UIHints(const char*, vt_IKvUnknown**) { return KV_E_NOTIMPL; }
KvResult CKvImpl_ChannelUI::cui_UIValueHints(const char*, void**) { return KV_E_NOTIMPL; }
KvResult CKvImpl_ChannelUI::cui_Cookie(const char*, const char*, const char**) { return KV_E_NOTIMPL; }

KvResult CKvImpl_VectorPacket::vpkt_Initialize(void*) { return KV_E_NOTIMPL; }
void CKvImpl_VectorPacket::vpkt_Reset(void*) {}
KvResult CKvImpl_VectorPacket::vpkt_Copy(void*, void*) { return KV_E_NOTIMPL; }
void CKvImpl_VectorPacket::vpkt_Cleanup(void*) {}
KvResult CKvImpl_VectorPacket::vpkt_Blend(void*, void*, void*, float, int) { return KV_E_NOTIMPL; }
KvResult CKvImpl_VectorPacket::vpkt_Invert(void*) { return KV_E_NOTIMPL; }
unsigned CKvImpl_VectorPacket::vpkt_NodeCount() { return 0; }
KvResult CKvImpl_VectorPacket::vpkt_NodeName(unsigned, const char**) { return KV_E_NOTIMPL; }
KvResult CKvImpl_VectorPacket::vpkt_NodeType(unsigned, VPacketPubType*, unsigned*, const char**, const char**) { return KV_E_NOTIMPL; }
KvResult CKvImpl_VectorPacket::vpkt_NodeGet(unsigned, void*, void**) { return KV_E_NOTIMPL; }

KvResult CKvImpl_PacketEffect::pfx_Packet(const char**) { return KV_E_NOTIMPL; }
KvResult CKvImpl_PacketEffect::pfx_ByIndex(int, const char**, const char**, int*) { return KV_E_NOTIMPL; }
KvResult CKvImpl_PacketEffect::pfx_Get(int, void*, float*, void*) { return KV_E_NOTIMPL; }
KvResult CKvImpl_PacketEffect::pfx_Set(int, void*, const float*, void*) { return KV_E_NOTIMPL; }
