// Trellup against devsim where real time passes: a device that stays silent to one command
// (the command's own timeout ends it) and an upload over a line paced like a real adapter.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>

#include "DeviceRig.h"

namespace {

TEST(SlowLine, SilentDriveQueryTimesOutAndEndsWith400) {
    DeviceRig rig;
    writeFile(rig.work() / "app.vxp", "x");
    ASSERT_TRUE(rig.start({"--silent", "^AT+EFSL$"}));
    ProcessResult run = rig.upload({"-p", (rig.work() / "app.vxp").string()});
    EXPECT_EQ(run.status, 400 & 0xFF) << run.out << run.err;
    EXPECT_NE(run.out.find("Get target driver information failed.\n"), std::string::npos);
}

TEST(SlowLine, SixteenKibibytesArriveWholeOverAPacedLine) {
    DeviceRig rig;
    std::string app = patternBytes(16 * 1024, 16);
    writeFile(rig.work() / "app.vxp", app);
    ASSERT_TRUE(rig.start({"--baud", "115200", "--packet-size", "4096"}));
    ProcessResult run = rig.upload({"-p", (rig.work() / "app.vxp").string()});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(readFile(rig.drive('C') / "ZOV" / "app.vxp"), app);
    EXPECT_EQ(rig.count("AT+EFSW=2,0,4096,"), 4u);
}

// Reads the master side until the text has arrived; false at the deadline.
bool awaitText(int master, const std::string& text, int milliseconds) {
    std::string seen;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (seen.find(text) == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{master, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            return false;
        char buffer[256];
        ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        seen.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

void answer(int master, const std::string& text) {
    ASSERT_EQ(write(master, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

TEST(SlowLine, DeviceThatNeverComesBackAfterItsResetEndsWith100) {
    DeviceRig rig;
    writeFile(rig.work() / "app.vxp", "x");
    int master = -1;
    int slave = -1;
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    // Trellup must not hold the line open itself; the test's own slave side keeps reads of
    // the master from failing before Trellup has opened the line.
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    // Trellup reaches the line through a link, so the line's going away is the link's removal
    // (a closed pseudo-terminal's number may be taken by another test's at once).
    fs::path link = rig.work() / "line";
    fs::create_symlink(name, link);
    std::string port = ".." + link.string();
    ChildProcess run({(rig.work() / "Trellup").string(), "-r", "1", "-b", port, "-p",
                      (rig.work() / "app.vxp").string()},
                     rig.work().string());
    ASSERT_TRUE(awaitText(master, "AT\r", 60000));
    answer(master, "\r\nOK\r\n");
    ASSERT_TRUE(awaitText(master, "AT+ESUO?\r", 60000));
    answer(master, "\r\n+ESUO: 4,0\r\n\r\nOK\r\n");
    // The reboot gets no answer: the line goes away while Trellup still waits for one.
    ASSERT_TRUE(awaitText(master, "AT+[666]REBOOT\r", 60000));
    fs::remove(link);
    ProcessResult result = run.finish(240000);
    EXPECT_EQ(result.status, 100) << result.out << result.err;
    EXPECT_NE(result.err.find("Reconnecting to /dev/" + port + " after the reset failed."),
              std::string::npos);
    close(slave);
    close(master);
}

} // namespace
