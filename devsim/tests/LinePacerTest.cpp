// Line-rate booking on a synthetic clock: what the pacer lets through over time.
#include <gtest/gtest.h>

#include "LinePacer.h"

using devsim::LinePacer;
using namespace std::chrono;

// At 1100 baud an 8E1 line carries 100 bytes a second: 300 bytes take three seconds, also
// when every wake-up comes late.
TEST(LinePacer, CarriesOneByteInElevenBitTimesEvenWithLateWakeUps) {
    for (nanoseconds lateness : {nanoseconds(0), nanoseconds(microseconds(300))}) {
        LinePacer pacer(1100);
        LinePacer::Clock::time_point start = LinePacer::Clock::time_point() + hours(1);
        LinePacer::Clock::time_point now = start;
        for (size_t passed = 0; passed < 300;) {
            size_t allowed = pacer.Allowance(300 - passed, now);
            if (allowed == 0)
                now += pacer.Wait(now) + lateness;
            pacer.Passed(allowed, now);
            passed += allowed;
        }
        now += pacer.Wait(now);
        EXPECT_NEAR(duration<double>(now - start).count(), 3.0, 0.03) << lateness.count();
    }
}

TEST(LinePacer, BurstIsSmallAndIdleTimeIsNotSavedUp) {
    LinePacer pacer(9600);
    LinePacer::Clock::time_point now = LinePacer::Clock::time_point() + hours(1);
    size_t burst = pacer.Allowance(100000, now);
    EXPECT_GE(burst, 1u);
    EXPECT_LE(burst, 5u) << "a few ms at 9600 baud";
    pacer.Passed(burst, now);
    EXPECT_EQ(pacer.Allowance(1, now), 0u);
    now += seconds(10);
    EXPECT_EQ(pacer.Allowance(100000, now), burst);
}
