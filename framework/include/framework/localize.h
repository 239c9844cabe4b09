// Host-interface wrappers: hold one host interface pointer (one reference),
// acquired by QueryInterface (`set`) or taken over from an out-argument
// (`take`), released on destruction.
#pragma once

#include "kv/kv_abi.h"

class CKvLocalizedObject {
public:
    virtual ~CKvLocalizedObject() = default;
    virtual const st_KVtGUID* guid() const = 0;
    virtual bool set(void* obj) = 0;
    virtual bool take(void* obj) = 0;
    virtual bool copy(CKvLocalizedObject& other) = 0;
    virtual bool test() const = 0;
    virtual void clear() = 0;
    virtual KvResult get(void** out) const = 0;
    virtual operator vt_IKvUnknown**() const = 0;
};

// T is the host's interface pointer type, vt_IKv<Interface>**.
template <class T>
class CKvLocalize : public CKvLocalizedObject {
public:
    CKvLocalize(const CKvLocalize&) = delete;
    CKvLocalize& operator=(const CKvLocalize&) = delete;
    ~CKvLocalize() override { release(); }

    bool set(void* obj) override {
        void* fresh = nullptr;
        if (obj) {
            auto** unk = static_cast<vt_IKvUnknown**>(obj);
            if (KV_FAILED((*unk)->QueryInterface(obj, guid(), &fresh))) fresh = nullptr;
        }
        release();
        m_loc = static_cast<T>(fresh);
        return m_loc != nullptr;
    }
    bool take(void* obj) override {
        if (!obj) {
            clear();
            return false;
        }
        set(obj);
        auto** unk = static_cast<vt_IKvUnknown**>(obj);
        (*unk)->Release(obj);
        return test();
    }
    bool copy(CKvLocalizedObject& other) override { return set(static_cast<vt_IKvUnknown**>(other)); }
    bool test() const override { return m_loc != nullptr; }
    void clear() override { release(); }
    KvResult get(void** out) const override {
        if (!m_loc) return KV_E_NOTFOUND;
        if (!out) return KV_E_FAILED;
        unk()->AddRef(m_loc);
        *out = m_loc;
        return KV_OK;
    }
    operator vt_IKvUnknown**() const override { return reinterpret_cast<vt_IKvUnknown**>(m_loc); }

    T ptr() const { return m_loc; }  // held pointer, no reference

protected:
    CKvLocalize() = default;
    // The held interface's method table (the wrapper must not be empty).
    auto* vt() const { return *m_loc; }

    T m_loc = nullptr;

private:
    const vt_IKvUnknown* unk() const { return reinterpret_cast<const vt_IKvUnknown*>(*m_loc); }
    void release() {
        if (m_loc) {
            T held = m_loc;
            m_loc = nullptr;
            reinterpret_cast<const vt_IKvUnknown*>(*held)->Release(held);
        }
    }
};

// Declares CKvLoc_<Name> over vt_IKv<Name> with GUID kv::guid_<Name>.
#define KV_DECLARE_LOC(Name)                                                          \
    class CKvLoc_##Name : public CKvLocalize<vt_IKv##Name**> {                        \
    public:                                                                           \
        CKvLoc_##Name() = default;                                                    \
        explicit CKvLoc_##Name(void* obj) { this->set(obj); }                         \
        const st_KVtGUID* guid() const override { return &kv::guid_##Name; }          \
    }
