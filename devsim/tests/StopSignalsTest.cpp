// The stop guard: a process whose main thread never gets back to its serving loop still
// ends, with the status it was given, soon after a stop signal.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "DevsimProcess.h"
#include "StopSignals.h"

// The child signals itself and then sleeps for good, as a command that never returns would.
TEST(StopSignals, GuardEndsAProcessStuckInACommand) {
    pid_t child = ::fork();
    if (child == 0) {
        if (devsim::InstallStopSignals(std::chrono::milliseconds(100), 7) < 0)
            ::_exit(1);
        ::raise(SIGTERM);
        for (;;)
            ::pause();
    }
    int status = WaitChild(child, std::chrono::milliseconds(1000));
    ASSERT_TRUE(WIFEXITED(status)) << "still running a second after the signal";
    EXPECT_EQ(WEXITSTATUS(status), 7);
}
