// The naming of the packed file and its date file.
#include <gtest/gtest.h>

#include "Utility.h"

namespace {

struct NameCase {
    const char* name;
    const char* path;
    const char* app_type;
    const char* output;
    const char* date_file;
};

class OutputNaming : public ::testing::TestWithParam<NameCase> {};

TEST_P(OutputNaming, FollowsTheApplicationType) {
    const NameCase& c = GetParam();
    EXPECT_EQ(ReplaceExtension(c.path, ExtensionForAppType(c.app_type)), c.output);
    EXPECT_EQ(DateFilePath(c.path), c.date_file);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, OutputNaming,
    ::testing::Values(NameCase{"VpcInFolder", "out/app.axf", "vpc", "out/app.vxp", "out/app.dbg"},
                      NameCase{"Vpd", "app.axf", "vpd", "app.vxp", "app.dbg"},
                      NameCase{"Dlc", "app.axf", "dlc", "app.dll", "app.dbg"},
                      NameCase{"Dld", "app.axf", "dld", "app.dll", "app.dbg"},
                      NameCase{"Vsm", "app.axf", "vsm", "app.vsm", "app.dbg"},
                      NameCase{"Vso", "app.axf", "vso", "app.vso", "app.dbg"},
                      NameCase{"Empty", "app.axf", "", "app.axf", "app.dbg"},
                      NameCase{"Capitals", "app.axf", "VXP", "app.axf", "app.dbg"},
                      NameCase{"DotInFolder", "out.d/app", "vxp", "out.d/app.vxp", "out.d/app.dbg"},
                      NameCase{"NoDot", "app", "vxp", "app.vxp", "app.dbg"},
                      NameCase{"DotsEverywhere", "a.b/app.x", "dll", "a.b/app.dll", "a.b/app.dbg"}),
    [](const ::testing::TestParamInfo<NameCase>& c) { return c.param.name; });

} // namespace
