// Line-rate booking on a synthetic clock: what the pacer lets through over time.
#include <gtest/gtest.h>

#include "LinePacer.h"

using devsim::LinePacer;
using namespace std::chrono;

namespace {

// Drives a pacer as the serving loop does, waking exactly when told (plus `lateness`),
// and returns the time it takes to pass `total` bytes.
nanoseconds TimeToPass(long baud, size_t total, nanoseconds lateness) {
    LinePacer pacer(baud);
    LinePacer::Clock::time_point now{};
    now += hours(1);
    LinePacer::Clock::time_point start = now;
    size_t passed = 0;
    while (passed < total) {
        size_t allowed = pacer.Allowance(total - passed, now);
        if (allowed == 0) {
            now += pacer.Wait(now) + lateness;
            continue;
        }
        pacer.Passed(allowed, now);
        passed += allowed;
    }
    now += pacer.Wait(now);
    return now - start;
}

} // namespace

class PacedRate : public ::testing::TestWithParam<long> {};

TEST_P(PacedRate, ElevenBitsPerByteEvenWithLateWakeUps) {
    const long baud = GetParam();
    const size_t total = static_cast<size_t>(baud) / 11 * 3; // three seconds of line time
    for (nanoseconds lateness : {nanoseconds(0), nanoseconds(microseconds(300))}) {
        double seconds = duration<double>(TimeToPass(baud, total, lateness)).count();
        double expected = static_cast<double>(total) * LinePacer::kBitsPerByte / baud;
        EXPECT_NEAR(seconds, expected, expected * 0.01)
            << baud << " baud, late by " << lateness.count();
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, PacedRate, ::testing::Values(300L, 9600L, 115200L, 921600L));

TEST(LinePacer, BurstIsSmallAndIdleTimeIsNotSavedUp) {
    LinePacer pacer(9600);
    LinePacer::Clock::time_point now{};
    now += hours(1);
    size_t burst = pacer.Allowance(100000, now);
    EXPECT_GE(burst, 1u);
    EXPECT_LE(burst, 5u) << "a few ms at 9600 baud";
    pacer.Passed(burst, now);
    EXPECT_EQ(pacer.Allowance(1, now), 0u);
    now += seconds(10);
    EXPECT_EQ(pacer.Allowance(100000, now), burst);
}
