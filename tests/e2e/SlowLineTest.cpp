// Trellup against devsim where real time passes: a device that never comes back after its
// reset, and uploads over a line paced like a real adapter that are interrupted or lose their
// device.
#include <gtest/gtest.h>

#include <memory>

#include "DeviceRig.h"

namespace {

const int kDeadlineMs = 120000;
// Well under the 60 s a data chunk may wait for its answer.
const int kLineGoneDeadlineMs = 20000;
// Enough that a signal sent once devsim has taken the first chunk still lands mid-upload.
const size_t kChunks = 4;

// Uploads over a line paced like a real adapter at 115200 baud, in chunks of 4096 bytes that
// take about 0.8 s each on the wire.
class PacedUpload : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(rig.work() / "app.vxp", patternBytes(kChunks * 4096, 12));
        ASSERT_TRUE(rig.start({"--baud", "115200", "--packet-size", "4096"}));
    }
    // An upload whose first data chunk is on the line.
    std::unique_ptr<ChildProcess> uploadUnderway() {
        std::unique_ptr<ChildProcess> run = rig.startUpload({"-p", "app.vxp"});
        EXPECT_TRUE(rig.awaitCommand("AT+EFSW=2,0,", kDeadlineMs));
        return run;
    }

    DeviceRig rig;
};

// A closed terminal's SIGHUP, signal 1; SIGINT and SIGTERM take the same path (the handlers'
// own test ends with SIGTERM).
TEST_F(PacedUpload, InterruptionClosesAndDeletesThePartialFile) {
    std::unique_ptr<ChildProcess> run = uploadUnderway();
    run->signal(SIGHUP);
    ProcessResult result = run->finish(kDeadlineMs);
    EXPECT_EQ(result.status, 129) << result.out << result.err;
    EXPECT_NE(result.err.find("Interrupted by signal 1."), std::string::npos);
    EXPECT_FALSE(fs::exists(rig.drive('C') / "ZOV" / "app.vxp"));
    // Closed, then deleted, and nothing more: no chunk follows the one in flight.
    std::vector<std::string> commands = rig.commands();
    ASSERT_GE(commands.size(), 4u);
    std::string file = "\"" + Ucs2("C:\\ZOV\\app.vxp") + "\"";
    EXPECT_EQ(std::vector<std::string>(commands.end() - 4, commands.end()),
              (std::vector<std::string>{"AT+EFSF=3", "AT+EFSW=1," + file, "AT+EFSF=3",
                                        "AT+EFSD=" + file}));
    EXPECT_LT(rig.count("AT+EFSW=2,"), kChunks) << "the upload went on";
}

TEST_F(PacedUpload, DeviceGoneMidUploadEndsTheRunWithoutWaitingOutTheTimeout) {
    std::unique_ptr<ChildProcess> run = uploadUnderway();
    rig.stop(SIGKILL);
    ProcessResult result = run->finish(kLineGoneDeadlineMs);
    EXPECT_EQ(result.status, 300 & 0xFF) << result.out << result.err;
    EXPECT_NE(result.out.find("Write file 4096 failed."), std::string::npos);
}

TEST(SlowLine, DeviceThatNeverComesBackAfterItsResetEndsWith100) {
    DeviceRig rig;
    writeFile(rig.work() / "app.vxp", "x");
    ASSERT_TRUE(rig.start({"--silent", "REBOOT"}));
    // Trellup reaches the line through a link, so the line's going away is the link's removal
    // (a closed pseudo-terminal's number may be taken by another test's at once).
    fs::path link = rig.work() / "line";
    fs::create_symlink("/dev/" + rig.port(), link);
    std::string port = ".." + link.string();
    std::unique_ptr<ChildProcess> run = rig.startUpload({"-r", "1", "-p", "app.vxp"}, port);
    ASSERT_TRUE(rig.awaitCommand("AT+[666]REBOOT", kDeadlineMs));
    fs::remove(link);
    ProcessResult result = run->finish(kDeadlineMs);
    EXPECT_EQ(result.status, 100) << result.out << result.err;
    EXPECT_NE(result.err.find("Reconnecting to /dev/" + port + " after the reset failed."),
              std::string::npos);
}

} // namespace
