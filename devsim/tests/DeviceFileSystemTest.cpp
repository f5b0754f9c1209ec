// Drive folders, path resolution and confinement to the root folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "DevsimProcess.h"
#include "DeviceFileSystem.h"

using namespace devsim;
using devsim_test::HostExists;
using devsim_test::TempFolder;
using devsim_test::WriteHostFile;

class DeviceFileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::mkdir(m_tmp.Sub("root").c_str(), 0755);
        ::mkdir(m_tmp.Sub("root/C").c_str(), 0755);
        ::mkdir(m_tmp.Sub("root/E").c_str(), 0755);
        ::mkdir(m_tmp.Sub("root/C/ZOV").c_str(), 0755);
        ::mkdir(m_tmp.Sub("outside").c_str(), 0755);
        WriteHostFile(m_tmp.Sub("outside/secret"), "secret");
        std::string error;
        ASSERT_TRUE(m_fs.Open(m_tmp.Sub("root"), error)) << error;
    }

    DevicePath Resolved(const std::string& name, const DevicePath& current = DevicePath()) {
        DevicePath out;
        EXPECT_TRUE(m_fs.Resolve(name, current, out)) << name;
        return out;
    }

    TempFolder m_tmp;
    DeviceFileSystem m_fs;
};

TEST_F(DeviceFileSystemTest, DrivesAreTheLetterFoldersInLetterOrder) {
    ::mkdir(m_tmp.Sub("root/notadrive").c_str(), 0755);
    WriteHostFile(m_tmp.Sub("root/D"), "a file, not a drive");
    EXPECT_EQ(m_fs.Drives(), (std::vector<char>{'C', 'E'}));
}

TEST(DeviceFileSystemOpen, CreatesDriveCInAnEmptyRootAndRefusesAMissingRoot) {
    TempFolder tmp;
    DeviceFileSystem fs;
    std::string error;
    ASSERT_TRUE(fs.Open(tmp.Path(), error));
    EXPECT_EQ(fs.Drives(), std::vector<char>{'C'});
    EXPECT_FALSE(fs.Open(tmp.Sub("missing"), error));
    EXPECT_FALSE(error.empty());
}

TEST_F(DeviceFileSystemTest, ResolvesDriveRootedAndRelativeNames) {
    DevicePath zov{'C', {"ZOV"}};
    EXPECT_EQ(Resolved("C:\\ZOV\\a.vxp"), (DevicePath{'C', {"ZOV", "a.vxp"}}));
    EXPECT_EQ(Resolved("c:\\ZOV"), zov);
    EXPECT_EQ(Resolved("C:"), (DevicePath{'C', {}}));
    EXPECT_EQ(Resolved("C:\\\\ZOV"), zov) << "an empty part means nothing";
    EXPECT_EQ(Resolved("E:\\x", zov), (DevicePath{'E', {"x"}}));
    EXPECT_EQ(Resolved("a.vxp", zov), (DevicePath{'C', {"ZOV", "a.vxp"}}));
    EXPECT_EQ(Resolved("sub\\b", zov), (DevicePath{'C', {"ZOV", "sub", "b"}}));
    EXPECT_EQ(Resolved("C:\\ZOV").Text(), "C:\\ZOV");
    EXPECT_EQ(Resolved("C:").Text(), "C:\\");
}

TEST_F(DeviceFileSystemTest, RefusesNamesThatCouldLeaveTheRoot) {
    DevicePath out;
    DevicePath zov{'C', {"ZOV"}};
    for (const char* bad : {"..", "C:\\..", "C:\\ZOV\\..\\..\\outside", "..\\..\\outside\\secret",
                            ".", "/etc/passwd", "C:\\..\\..\\etc", "a/../../b", "D:\\x", "C:\\a:b",
                            "C:\\a\x01", "C:\\a*", "C:\\ZOV\\C:"}) {
        EXPECT_FALSE(m_fs.Resolve(bad, zov, out)) << bad;
    }
    EXPECT_FALSE(m_fs.Resolve("C:\\" + std::string(257, 'x'), zov, out));
    EXPECT_TRUE(m_fs.Resolve("C:\\" + std::string(256, 'x'), zov, out));
}

TEST_F(DeviceFileSystemTest, SymbolicLinksLeadingOutAreNeitherReadNorWrittenNorListed) {
    ASSERT_EQ(::symlink(m_tmp.Sub("outside").c_str(), m_tmp.Sub("root/C/out").c_str()), 0);
    ASSERT_EQ(::symlink(m_tmp.Sub("outside/secret").c_str(), m_tmp.Sub("root/C/s").c_str()), 0);
    ASSERT_EQ(::symlink(m_tmp.Sub("outside/new").c_str(), m_tmp.Sub("root/C/dangling").c_str()), 0);
    ASSERT_EQ(::symlink("ZOV", m_tmp.Sub("root/C/inside").c_str()), 0);
    std::string content;
    EXPECT_FALSE(m_fs.ReadFile(Resolved("C:\\out\\secret"), content));
    EXPECT_FALSE(m_fs.ReadFile(Resolved("C:\\s"), content));
    EXPECT_LT(m_fs.CreateFile(Resolved("C:\\out\\new")), 0);
    EXPECT_LT(m_fs.CreateFile(Resolved("C:\\dangling")), 0);
    EXPECT_FALSE(m_fs.MakeFolder(Resolved("C:\\out\\dir")));
    EXPECT_FALSE(m_fs.RemoveFile(Resolved("C:\\out\\secret")));
    EXPECT_FALSE(HostExists(m_tmp.Sub("outside/new")));
    EXPECT_TRUE(HostExists(m_tmp.Sub("outside/secret")));
    std::vector<DirEntry> entries;
    ASSERT_TRUE(m_fs.List(Resolved("C:"), entries));
    std::vector<std::string> names;
    for (const DirEntry& e : entries)
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"ZOV", "inside"}));
    EXPECT_TRUE(m_fs.IsFolder(Resolved("C:\\inside")));
}

TEST_F(DeviceFileSystemTest, FoldersAreRemovedOnlyWhenEmptyAndNeverADriveRoot) {
    WriteHostFile(m_tmp.Sub("root/C/ZOV/a.vxp"), "abc");
    EXPECT_FALSE(m_fs.RemoveFolder(Resolved("C:\\ZOV")));
    EXPECT_FALSE(m_fs.RemoveFolder(Resolved("E:")));
    EXPECT_FALSE(m_fs.RemoveFile(Resolved("C:\\ZOV")));
    EXPECT_TRUE(m_fs.RemoveFile(Resolved("C:\\ZOV\\a.vxp")));
    EXPECT_TRUE(m_fs.RemoveFolder(Resolved("C:\\ZOV")));
    EXPECT_TRUE(HostExists(m_tmp.Sub("root/E")));
}

TEST_F(DeviceFileSystemTest, FilesTooLargeToHandOutWholeAreNotRead) {
    std::string host = m_tmp.Sub("root/C/huge");
    WriteHostFile(host, "");
    ASSERT_EQ(::truncate(host.c_str(), static_cast<off_t>(DeviceFileSystem::kMaxReadBytes + 1)), 0);
    std::string content;
    EXPECT_FALSE(m_fs.ReadFile(Resolved("C:\\huge"), content));
    EXPECT_TRUE(content.empty());
}
