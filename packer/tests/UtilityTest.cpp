// Text conversion and the naming of the packed file and its date file.
#include <cstring>

#include <gtest/gtest.h>

#include "Utility.h"

namespace {

TEST(StringToUnicode, EachByteBecomesOneCodeUnitLatin1) {
    uint8_t out[16] = {0};
    EXPECT_EQ(StringToUnicode(out, "Ab\xE9", 512), 8);
    const uint8_t want[8] = {'A', 0, 'b', 0, 0xE9, 0, 0, 0};
    EXPECT_EQ(std::memcmp(out, want, 8), 0);
    EXPECT_EQ(StringToUnicode(out, "", 512), 2);
    EXPECT_EQ(StringToUnicode(out, "abcdef", 2), 6);
}

struct NameCase {
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
    ::testing::Values(NameCase{"out/app.axf", "vpc", "out/app.vxp", "out/app.dbg"},
                      NameCase{"app.axf", "vpd", "app.vxp", "app.dbg"},
                      NameCase{"app.axf", "dlc", "app.dll", "app.dbg"},
                      NameCase{"app.axf", "vsm", "app.vsm", "app.dbg"},
                      NameCase{"app.axf", "vso", "app.vso", "app.dbg"},
                      NameCase{"app.axf", "", "app.axf", "app.dbg"},
                      NameCase{"app.axf", "VXP", "app.axf", "app.dbg"},
                      NameCase{"app.vxp", "vxp", "app.vxp", "app.dbg"},
                      NameCase{"out.d/app", "vxp", "out.d/app.vxp", "out.d/app.dbg"},
                      NameCase{"app", "vxp", "app.vxp", "app.dbg"},
                      NameCase{"a.b/app.x", "dll", "a.b/app.dll", "a.b/app.dbg"}));

} // namespace
