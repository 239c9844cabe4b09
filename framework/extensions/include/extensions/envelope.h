// A channel's envelope (ChannelWrite slot 7).
#pragma once

#include "framework/localize.h"

KV_DECLARE_LOC(Envelope);

class CKvUser_Envelope : public CKvLoc_Envelope {
public:
    using CKvLoc_Envelope::CKvLoc_Envelope;
    // Slot 4: the envelope's keyframe object, one reference for the caller.
    KvResult Keyframe(void** keyframe) const { return m_loc ? vt()->Keyframe(m_loc, keyframe) : KV_E_NOTFOUND; }
};
