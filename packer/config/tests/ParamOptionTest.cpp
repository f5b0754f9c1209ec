// The typed getters of section "Param" (keys, defaults, the re-check of the file) and the
// problems the check of the file reports.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "ParamOption.h"

namespace {

std::string WriteIni(const std::string& text) {
    char path[] = "/tmp/param_option_XXXXXX";
    const int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    close(fd);
    std::ofstream(path) << text;
    return path;
}

TEST(ParamOption, KeysDifferingFromGetterNamesAreRead) {
    const std::string path = WriteIni("[Param]\nAPIList=Audio\nSysMemSize=7\nBackground=YES\n"
                                      "Rotate=on\nPush=1\nTransferImg=true\nIdleShortcut=yes\n"
                                      "MemorySize = 512 KB\nResolution=-1\nappname=lower\n");
    ParamOption p(path);
    EXPECT_EQ(p.GetApiList(), "Audio");
    EXPECT_EQ(p.GetSysMemorySize(), 7u);
    EXPECT_TRUE(p.IsSupportBackground());
    EXPECT_FALSE(p.IsSupportRotate());
    EXPECT_TRUE(p.IsSupportPush());
    EXPECT_TRUE(p.IsTransferImgAble());
    EXPECT_TRUE(p.IsIdleShortcutAble());
    EXPECT_EQ(p.GetMemorySize(), 512u);
    EXPECT_EQ(p.GetResolution(), 4294967295u);
    EXPECT_EQ(p.GetAppName(), "");
    std::remove(path.c_str());
    EXPECT_EQ(p.GetApiList(), ""); // the file vanished: defaults from now on
    EXPECT_EQ(p.GetSysMemorySize(), 0u);
    EXPECT_FALSE(p.IsSupportBackground());
}

struct ProblemCase {
    const char* name;
    const char* ini;
    std::vector<std::string> problems; // after the file's path
};

class ParamProblems : public ::testing::TestWithParam<ProblemCase> {};

TEST_P(ParamProblems, AreFoundLineByLine) {
    const std::string path = WriteIni(GetParam().ini);
    std::vector<std::string> want;
    for (const std::string& problem : GetParam().problems)
        want.push_back(path + problem);
    EXPECT_EQ(ParamOption(path).Problems(), want);
    std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Files, ParamProblems,
    ::testing::Values(
        ProblemCase{"Clean",
                    "[Param]\nAppName=Game\nMemorySize=512\nRotate=maybe\nOutput=vxp\n"
                    "AppID=0\n",
                    {}},
        ProblemCase{"NoSection",
                    "[param]\nAppName=Game\n",
                    {" has no [Param] section; every parameter takes its default"}},
        ProblemCase{"NearestKeys",
                    "[Param]\nVerison=1\nappname=x\nCompres=1\nZ=1\n",
                    {":2: unknown key Verison (nearest known key: Version)",
                     ":3: unknown key appname (nearest known key: AppName)",
                     ":4: unknown key Compres (nearest known key: Compress)",
                     ":5: unknown key Z (nearest known key: IMSI)"}},
        ProblemCase{"CutTexts",
                    "[Param]\nAppName=Snake Game\nVersion=1.0:beta\nDeveloper= Me \n",
                    {":2: AppName=Snake Game is cut at a blank or colon: it stores \"Snake\"",
                     ":3: Version=1.0:beta is cut at a blank or colon: it stores \"1.0\""}},
        ProblemCase{"Numbers",
                    "[Param]\nMemorySize=12k\nResolution=-5\nAppID=x1\nPushID = 7 \n",
                    {":2: MemorySize=12k has characters after its digits, which are ignored",
                     ":3: Resolution=-5 has a minus sign: the number wraps round to 2^32 - n",
                     ":4: AppID=x1 is not a decimal number"}}),
    [](const ::testing::TestParamInfo<ProblemCase>& c) { return c.param.name; });

TEST(ParamProblems, UnreadableFileIsNamed) {
    const std::vector<std::string> problems = ParamOption("/nonexistent/param.ini").Problems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0], "cannot read /nonexistent/param.ini: No such file or directory; every "
                           "parameter takes its default");
}

} // namespace
