// The second interruption ends the program at once with the status of that second signal and
// gives the open line back as it was found. What the first one does (commands refused outside
// the cleanup window, the status of that signal) the interrupted uploads of the end-to-end
// tests show.
#include "Interruption.h"
#include "SerialPort.h"

#include <gtest/gtest.h>

#include <csignal>
#include <pty.h>
#include <unistd.h>

namespace {

speed_t SpeedOf(int fd) {
    termios settings{};
    tcgetattr(fd, &settings);
    return cfgetospeed(&settings);
}

TEST(InterruptionDeathTest, SecondSignalGivesTheLineBackAndLeavesWithItsStatus) {
    int master, slave;
    char path[128];
    termios found{};
    cfsetspeed(&found, B9600);
    ASSERT_EQ(openpty(&master, &slave, path, &found, nullptr), 0);
    EXPECT_EXIT(
        {
            InstallInterruptionHandlers();
            CommModule port;
            if (port.Init_Port(path) >= 0 && SpeedOf(slave) == B115200) {
                raise(SIGINT); // only recorded
                raise(SIGTERM);
            }
        },
        ::testing::ExitedWithCode(128 + SIGTERM), "");
    EXPECT_EQ(SpeedOf(slave), B9600);
    close(master);
    close(slave);
}

} // namespace
