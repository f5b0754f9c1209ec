// vxpdev against a devsim that stays silent: the command's own timeout ends the run with 2.
#include <gtest/gtest.h>

#include "VxpdevRun.h"

namespace {

struct SilenceCase {
    const char* name;
    const char* silent; // devsim's --silent pattern
    std::vector<std::string> args;
};

void PrintTo(const SilenceCase& c, std::ostream* out) {
    *out << c.name;
}

class Silence : public ::testing::TestWithParam<SilenceCase> {};

TEST_P(Silence, EndsWithDeviceFailure) {
    DeviceRig rig;
    writeFile(rig.drive('C') / "a.txt", "a");
    ASSERT_TRUE(rig.start({"--silent", GetParam().silent}));
    std::vector<std::string> args = {"-b", rig.port()};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    ProcessResult result = runVxpdev(args, rig.work());
    EXPECT_EQ(result.status, 2) << result.err;
    EXPECT_EQ(result.out, "");
}

INSTANTIATE_TEST_SUITE_P(Device, Silence,
                         ::testing::Values(SilenceCase{"AtCheck", "^AT$", {"ls", "C:"}},
                                           SilenceCase{"Read", "AT+EFSR", {"cat", "C:/a.txt"}}),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
