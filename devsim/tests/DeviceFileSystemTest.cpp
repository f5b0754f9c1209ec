// Drive folders, path resolution, and confinement to the root folder: symbolic links are
// never followed.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "DevsimProcess.h"
#include "DeviceFileSystem.h"

using namespace devsim;

using namespace devsim_test;

class DeviceFileSystemTest : public ::testing::TestWithParam<Resolver> {
protected:
    void SetUp() override {
        if (GetParam() == Resolver::kKernel && AvailableResolver() != Resolver::kKernel)
            GTEST_SKIP() << "no openat2 in this kernel";
        for (const char* folder :
             {"root", "root/A", "root/C", "root/E", "root/1", "root/C/ZOV", "outside"})
            ::mkdir(m_tmp.Sub(folder).c_str(), 0755);
        WriteHostFile(m_tmp.Sub("outside/secret"), std::string(1000, 's'));
        std::string error;
        ASSERT_TRUE(m_fs.Open(m_tmp.Sub("root"), error, GetParam())) << error;
    }

    DevicePath Resolved(const std::string& name, const DevicePath& current = DevicePath()) {
        DevicePath out;
        EXPECT_TRUE(m_fs.Resolve(name, current, out)) << name;
        return out;
    }

    void Link(const std::string& target, const char* link) {
        ASSERT_EQ(::symlink(target.c_str(), m_tmp.Sub(link).c_str()), 0) << link;
    }

    std::vector<std::string> Names(const char* folder) {
        std::vector<DirEntry> entries;
        EXPECT_TRUE(m_fs.List(Resolved(folder), entries)) << folder;
        std::vector<std::string> names;
        for (const DirEntry& e : entries)
            names.push_back(e.name);
        return names;
    }

    TempFolder m_tmp;
    DeviceFileSystem m_fs;
};

TEST_P(DeviceFileSystemTest, ResolvesDriveRootedAndRelativeNames) {
    DevicePath zov{'C', {"ZOV"}};
    EXPECT_EQ(Resolved("c:\\\\ZOV\\a.vxp").Text(), "C:\\ZOV\\a.vxp");
    EXPECT_EQ(Resolved("sub\\a b", zov).Text(), "C:\\ZOV\\sub\\a b");
    EXPECT_EQ(Resolved("a:", zov).Text(), "A:\\");
    DevicePath out;
    for (const char* bad : {"..", "C:\\ZOV\\..\\..\\outside", ".", "/etc/passwd", "a/../../b",
                            "D:\\x", "1:\\x", "C:\\a:b", "C:\\a\x01", "C:\\a*"}) {
        EXPECT_FALSE(m_fs.Resolve(bad, zov, out)) << bad;
    }
    EXPECT_FALSE(m_fs.Resolve("C:\\" + std::string(257, 'x'), zov, out));
    EXPECT_TRUE(m_fs.Resolve("C:\\" + std::string(256, 'x'), zov, out));
}

// Links out of the root, into it, dangling and in loops: none is listed, counted, read,
// written through or removed.
TEST_P(DeviceFileSystemTest, SymbolicLinksAreNeitherFollowedNorShown) {
    WriteHostFile(m_tmp.Sub("root/C/ZOV/a.vxp"), "abc");
    Link(m_tmp.Sub("outside"), "root/C/out");
    Link(m_tmp.Sub("outside/secret"), "root/C/s");
    Link(m_tmp.Sub("outside/new"), "root/C/dangling");
    Link("ZOV", "root/C/inside");
    Link(".", "root/C/ZOV/self");
    Link("..", "root/C/ZOV/up");
    Link(m_tmp.Sub("outside"), "root/F");
    WriteHostFile(m_tmp.Sub("root/D"), "a file, not a drive");
    EXPECT_EQ(m_fs.Drives(), (std::vector<char>{'A', 'C', 'E'}));
    EXPECT_EQ(Names("C:"), (std::vector<std::string>{"ZOV"}));
    EXPECT_EQ(Names("C:\\ZOV"), (std::vector<std::string>{"a.vxp"}));
    uint64_t bytes = 0;
    uint64_t entries = 0;
    ASSERT_TRUE(m_fs.FolderSize(Resolved("C:"), bytes, entries));
    EXPECT_EQ(bytes, 3u);
    EXPECT_EQ(entries, 1u);
    EXPECT_FALSE(m_fs.FreeSpace('F', bytes));
    std::string content;
    EXPECT_FALSE(m_fs.ReadFile(Resolved("C:\\out\\secret"), content));
    EXPECT_FALSE(m_fs.ReadFile(Resolved("C:\\s"), content));
    EXPECT_FALSE(m_fs.ReadFile(Resolved("C:\\inside\\a.vxp"), content));
    EXPECT_LT(m_fs.CreateFile(Resolved("C:\\out\\new")), 0);
    EXPECT_LT(m_fs.CreateFile(Resolved("C:\\dangling")), 0);
    EXPECT_FALSE(m_fs.MakeFolder(Resolved("C:\\out\\dir")));
    EXPECT_FALSE(m_fs.RemoveFile(Resolved("C:\\out\\secret")));
    EXPECT_FALSE(m_fs.RemoveFile(Resolved("C:\\s")));
    EXPECT_FALSE(m_fs.IsFolder(Resolved("C:\\inside")));
    EXPECT_FALSE(HostExists(m_tmp.Sub("outside/new")));
}

INSTANTIATE_TEST_SUITE_P(Resolvers, DeviceFileSystemTest,
                         ::testing::Values(Resolver::kKernel, Resolver::kWalk),
                         [](const ::testing::TestParamInfo<Resolver>& resolver) {
                             return resolver.param == Resolver::kKernel ? "Openat2" : "Walk";
                         });
