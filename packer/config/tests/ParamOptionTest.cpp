// The typed getters of section "Param": keys, defaults and the re-check of the file.
#include <cstdio>
#include <fstream>
#include <string>

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

TEST(ParamOption, EmptyFileGivesEveryDefault) {
    const std::string path = WriteIni("");
    ParamOption p(path);
    EXPECT_EQ(p.GetAppName(), "");
    EXPECT_EQ(p.GetApiList(), "");
    EXPECT_EQ(p.GetMemorySize(), 0u);
    EXPECT_EQ(p.GetPushID(), 0u);
    EXPECT_FALSE(p.IsSupportBackground());
    EXPECT_FALSE(p.IsIdleShortcutAble());
    std::remove(path.c_str());
}

TEST(ParamOption, KeysDifferingFromGetterNamesAreRead) {
    const std::string path = WriteIni("[Param]\nAPIList=Audio\nOutput=vxp\nSysMemSize=7\n"
                                      "Background=YES\nRotate=on\nPush=1\nTransferImg=true\n"
                                      "IdleShortcut=yes\nMemorySize = 512 KB\nResolution=-1\n"
                                      "appname=lower\n");
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
}

TEST(ParamOption, AFileThatVanishesGivesDefaults) {
    const std::string path = WriteIni("[Param]\nAppName=Gone\nMemorySize=5\nRotate=yes\n");
    ParamOption p(path);
    EXPECT_EQ(p.GetAppName(), "Gone");
    std::remove(path.c_str());
    EXPECT_EQ(p.GetAppName(), "");
    EXPECT_EQ(p.GetMemorySize(), 0u);
    EXPECT_FALSE(p.IsSupportRotate());
}

} // namespace
