// Channel-access object of a write action (Scene slot 13 with "setup").
#pragma once

#include "framework/localize.h"

KV_DECLARE_LOC(ChannelWrite);

class CKvUser_ChannelWrite : public CKvLoc_ChannelWrite {
public:
    using CKvLoc_ChannelWrite::CKvLoc_ChannelWrite;
    // Slot 7: the channel's envelope in the write action, made when it has
    // none; one reference for the caller (take it into a CKvUser_Envelope).
    KvResult Envelope(vt_IKvUnknown** item, uint32_t channel, void** env) const {
        return m_loc ? vt()->Envelope(m_loc, item, channel, env) : KV_E_NOTFOUND;
    }
};
