// kvrender under address-space limits from the least it starts with to the
// most a render needs: memory runs out in loading, in the ray tracer, in its
// thread pool, in the render threads and in encoding, and every run ends in
// exit code 0, or 1 with a message, never by a signal.
#include "kvrender_command.h"

#include <chrono>
#include <functional>
#include <vector>

namespace {

using kvt::test::Ending;
using kvt::test::runLimited;
using kvt::test::tempPath;

// The least limit, to 256 KiB, in [lo, hi] under which `ok` holds, taking
// it to hold from there up; hi when it does not hold below.
uint64_t leastLimit(uint64_t lo, uint64_t hi, const std::function<bool(uint64_t)>& ok) {
    constexpr uint64_t kGrain = 256 << 10;
    while (hi - lo > kGrain) {
        const uint64_t mid = lo + (hi - lo) / 2;
        (ok(mid) ? hi : lo) = mid;
    }
    return hi;
}

TEST(MemorySweep, EveryLimitEndsInAnImageOrAMessage) {
    // Sanitizers reserve terabytes of address space: no limit leaves them room.
    if (kvt::test::sanitizedBuild()) GTEST_SKIP() << "address-space limits do not work under a sanitizer";
    const auto begin = std::chrono::steady_clock::now();
    const std::vector<std::string> render = {"scenes/gooch.json", "-o", tempPath("sweep.png"), "--quiet"};
    // The range moves with the machine (libraries, cores, threads): found first.
    // Below the least limit kvrender starts with, the system's loader refuses
    // it (exit 127) and the libraries' own start-up may abort before kvrender
    // runs: that is no part of the sweep.
    const uint64_t starts = leastLimit(8ull << 20, 1ull << 30, [](uint64_t bytes) {
        const Ending e = runLimited({"--help"}, bytes);
        return !e.signalled && e.code == 0;
    });
    const uint64_t renders = leastLimit(starts, 4ull << 30, [&](uint64_t bytes) {
        const Ending e = runLimited(render, bytes);
        return !e.signalled && e.code == 0;
    });
    ASSERT_LT(starts, renders) << "the render needs no more than starting";
    // Forty steps across, and a few beyond where the render first succeeded.
    constexpr int kSteps = 40;
    const uint64_t step = std::max<uint64_t>((renders - starts) / kSteps, 1 << 20);
    int failed = 0, rendered = 0;
    for (uint64_t bytes = starts; bytes <= renders + 4 * step; bytes += step) {
        const Ending e = runLimited(render, bytes);
        const std::string at = "at " + std::to_string(bytes >> 10) + " KiB: ";
        EXPECT_FALSE(e.signalled) << at << "signal " << e.code << "\n" << e.err;
        if (e.signalled) continue;
        EXPECT_TRUE(e.code == 0 || e.code == 1) << at << "exit " << e.code << "\n" << e.err;
        if (e.code == 1) {
            ++failed;
            EXPECT_NE(e.err.find("kvrender: "), std::string::npos) << at << e.err;
            EXPECT_NE(e.err.find("out of memory"), std::string::npos) << at << e.err;
            EXPECT_EQ(e.err.find("terminate called"), std::string::npos) << at << e.err;
        }
        rendered += e.code == 0;
    }
    EXPECT_GT(failed, kSteps / 2);
    EXPECT_GT(rendered, 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_LT(seconds, 60.0);
}

}  // namespace
