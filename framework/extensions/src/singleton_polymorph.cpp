#include "extensions/singleton_polymorph.h"

// Runs before the factory base deletes the records it owns, so the instance
// dies while its proxies' method tables are still alive.
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
