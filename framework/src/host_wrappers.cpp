// The wrapper calls compiled out of line.
#include "framework/host_wrappers.h"

#include "framework/globals.h"

unsigned CKvUser_Evaluation::AddChan(vt_IKvUnknown** item, unsigned index, unsigned type) {
    if (!m_loc) throw static_cast<unsigned>(KV_E_NOTFOUND);
    uint32_t evalIndex = 0;
    const KvResult rc = vt()->AddChannel(m_loc, item, index, type, &evalIndex);
    if (KV_FAILED(rc)) throw static_cast<unsigned>(rc);
    return evalIndex;
}

bool CKvUser_Scene::GetRenderCameraByIndex(int index, CKvLoc_Item& item) {
    void* obj = nullptr;
    if (!m_loc || KV_FAILED(vt()->RenderCameraByIndex(m_loc, index, &obj)) || !obj) return false;
    return item.take(obj);
}

CKvUser_PacketService::CKvUser_PacketService() : CKvService(&kv::guid_PacketService) {}

int CKvUser_PacketService::GetOffset(const char* category, const char* name) {
    int32_t offset = -1;
    if (!m_svc || KV_FAILED(vt()->Lookup(m_svc, category, name, &offset))) return -1;
    return offset;
}
