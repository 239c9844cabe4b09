// A gradient channel's value object (Attributes slot 9), evaluated per sample.
#pragma once

#include "framework/localize.h"

KV_DECLARE_LOC(GradientFilter);

class CKvUser_GradientFilter : public CKvLoc_GradientFilter {
public:
    using CKvLoc_GradientFilter::CKvLoc_GradientFilter;
    // Slot 3: the gradient's value at `input`; 0 when unbound. Per sample:
    // takes no lock and allocates nothing.
    double Evaluate(double input) const { return m_loc ? vt()->Evaluate(m_loc, input) : 0.0; }
};
