// The keyframe object of an envelope (Envelope slot 4).
#pragma once

#include "framework/localize.h"

KV_DECLARE_LOC(Keyframe);

class CKvUser_Keyframe : public CKvLoc_Keyframe {
public:
    using CKvLoc_Keyframe::CKvLoc_Keyframe;
    // Slot 21: adds a key at (input, value).
    KvResult AddF(double input, double value) const { return m_loc ? vt()->AddF(m_loc, input, value) : KV_E_NOTFOUND; }
    // Slot 19: sets a mode of the key just added.
    KvResult SetSlopeType(int32_t type, int32_t side) const { return m_loc ? vt()->SetSlopeType(m_loc, type, side) : KV_E_NOTFOUND; }
};
