// The second interruption ends the program at once with the status of that second signal. What
// the first one does (commands refused outside the cleanup window, the status of that signal)
// the interrupted uploads of the end-to-end tests show.
#include "Interruption.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

TEST(InterruptionDeathTest, SecondSignalLeavesWithItsStatus) {
    EXPECT_EXIT(
        {
            InstallInterruptionHandlers();
            raise(SIGINT); // only recorded
            raise(SIGTERM);
        },
        ::testing::ExitedWithCode(128 + SIGTERM), "");
}

} // namespace
