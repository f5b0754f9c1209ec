// The naming of the packed file and its date file; the vxp names and a name that stays are
// run through Varnel in the pack run tests.
#include <gtest/gtest.h>

#include "Utility.h"
#include "TableRow.h"

namespace {

struct NameCase : test_table::Row {
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

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rules, OutputNaming, ::testing::Values(
    NameCase{"Dlc", "app.axf", "dlc", "app.dll", "app.dbg"},
    NameCase{"DotInFolder", "out.d/app", "vxp", "out.d/app.vxp", "out.d/app.dbg"},
    NameCase{"NoDot", "app", "vxp", "app.vxp", "app.dbg"}),
    test_table::ByName());
// clang-format on

} // namespace
