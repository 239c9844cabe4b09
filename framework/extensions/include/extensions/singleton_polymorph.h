// A factory that is its own single implementing object: the object derives
// from an adaptor base and from this class, and NewObj returns the object
// itself. Its one COM instance is made on first need and kept (one reference)
// until the object is destroyed.
#pragma once

#include "framework/com.h"

class CKvSingletonPolymorph : public CKvGenericPolymorph {
public:
    // Releases the kept COM pointer; the instance then dies and FreeObj (which
    // does nothing) is called for it. Makes no host call when none was made.
    ~CKvSingletonPolymorph() override;

    void* NewObj() override = 0;     // the object itself
    void FreeObj(void*) override {}  // the object outlives its instance

    // The instance's default-interface pointer, spawned on first call and
    // cached; no reference is added for the caller. Null if spawning failed.
    void* ComObject();
    bool HasComObject() const { return m_com != nullptr; }

private:
    void* m_com = nullptr;  // one reference owned
};
