// Host objects a test left alive or released too often: the counts taken at
// construction (make it before the test's session), compared by
// ExpectNoneLeft() once the test released its session.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "core/host_object.h"

namespace kvt {

class HostObjectCheck {
public:
    void ExpectNoneLeft() const {
        EXPECT_EQ(kvh::LiveHostObjects(), live_) << kvh::LiveHostObjectReport();
        EXPECT_EQ(kvh::RefcountImbalances(), bad_);
    }

private:
    int64_t live_ = kvh::LiveHostObjects();
    int64_t bad_ = kvh::RefcountImbalances();
};

}  // namespace kvt
