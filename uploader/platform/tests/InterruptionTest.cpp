// The second interruption: the program leaves at once with the status of the signal.
#include "Interruption.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

TEST(InterruptionDeathTest, SecondSignalLeavesWithItsStatus) {
    EXPECT_EXIT(
        {
            InstallInterruptionHandlers();
            raise(SIGTERM);
            raise(SIGTERM);
        },
        ::testing::ExitedWithCode(128 + SIGTERM), "");
}

} // namespace
