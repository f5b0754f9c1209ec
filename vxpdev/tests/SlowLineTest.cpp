// vxpdev interrupted during an upload on a slow line: the run ends with the signal's status
// and no partial file stays on the device.
#include <gtest/gtest.h>

#include <signal.h>

#include "VxpdevRun.h"

namespace {

const int kEndDeadlineMs = 20000;
const int kStartDeadlineMs = 60000;

// A put of 20 KiB at 9600 baud runs for about 50 s; the test ends it once chunks flow.
TEST(SlowPut, InterruptEndsAfterTheChunkAndDeletesThePartialFile) {
    DeviceRig rig;
    writeFile(rig.work() / "big.bin", patternBytes(20 * 1024));
    ASSERT_TRUE(rig.start({"--baud", "9600"}));
    auto put = startVxpdev({"-b", rig.port(), "put", "big.bin", "C:/big.bin"}, rig.work());
    // devsim logs each command as it takes it: the first chunk means the file is open.
    ASSERT_TRUE(rig.awaitCommand("AT+EFSW=2,", kStartDeadlineMs));
    put->signal(SIGINT);
    ProcessResult result = put->finish(kEndDeadlineMs);
    EXPECT_EQ(result.status, 128 + SIGINT) << result.err;
    EXPECT_NE(result.err.find("interrupted by signal 2"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(rig.drive('C') / "big.bin"));
}

} // namespace
