// Trellup against devsim where real time passes: a device that stays silent to one command
// (the command's own timeout ends it) and an upload over a line paced like a real adapter.
#include <gtest/gtest.h>

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

} // namespace
