// The stop guard: a process whose main thread never gets back to its serving loop still
// ends, with the status it was given, soon after a stop signal.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "DevsimProcess.h"
#include "StopSignals.h"

TEST(StopSignals, GuardEndsAProcessStuckInACommand) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    if (child == 0) {
        char byte = devsim::InstallStopSignals(std::chrono::milliseconds(100), 7) >= 0;
        if (::write(ready[1], &byte, 1) != 1)
            ::_exit(1);
        for (;;)
            ::pause();
    }
    char installed = 0;
    ASSERT_EQ(::read(ready[0], &installed, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    ASSERT_EQ(installed, 1);
    ::kill(child, SIGTERM);
    int status = WaitChild(child, std::chrono::milliseconds(1000));
    ASSERT_TRUE(WIFEXITED(status)) << "still running a second after the signal";
    EXPECT_EQ(WEXITSTATUS(status), 7);
}
