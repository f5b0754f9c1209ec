// The first interruption is only recorded and refuses commands outside a cleanup window; the
// second ends the program at once with the status of that second signal.
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

TEST(Interruption, FirstSignalRefusesCommandsOutsideTheCleanupWindow) {
    ASSERT_TRUE(InstallInterruptionHandlers());
    EXPECT_FALSE(CommandsRefused());
    EXPECT_EQ(InterruptedStatus(), 0);
    raise(SIGTERM);
    EXPECT_TRUE(CommandsRefused());
    {
        CleanupWindow cleanup;
        EXPECT_FALSE(CommandsRefused());
    }
    EXPECT_TRUE(CommandsRefused());
    EXPECT_EQ(InterruptedStatus(), 128 + SIGTERM);
}

} // namespace
