// The first interruption is only recorded; the second ends the program at once with the status
// of that second signal.
#include "Interruption.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

TEST(InterruptionDeathTest, SecondSignalLeavesWithItsStatus) {
    EXPECT_EXIT(
        {
            InstallInterruptionHandlers();
            raise(SIGTERM); // only recorded
            raise(SIGINT);
        },
        ::testing::ExitedWithCode(128 + SIGINT), "");
}

} // namespace
