#include "extensions/singleton_polymorph.h"

CKvSingletonPolymorph::~CKvSingletonPolymorph() {
    if (m_com) {
        void* com = m_com;
        m_com = nullptr;
        kv::ObjRelease(com);
    }
}

void* CKvSingletonPolymorph::ComObject() {
    if (!m_com) m_com = Spawn(nullptr);
    return m_com;
}
