// Connection over the real serial port on a pseudo-terminal, answered by a strict scripted
// peer: the folder walk of long paths, the directory cache, the DT mode and the chunked upload
// with the exact command lines each one sends.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "Connection.h"
#include "PtyPeer.h"

namespace {

namespace fs = std::filesystem;

const char kOk[] = "\r\nOK\r\n";
const char kError[] = "\r\nERROR\r\n";
const char kRoot[] = "AT+EFSF=3\r";

// Information lines followed by OK, each framed as the device frames them.
std::string reply(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines)
        out += "\r\n" + line + "\r\n";
    return out + kOk;
}

std::string hex4(const std::string& name) {
    std::string out;
    char group[8];
    for (unsigned char c : name) {
        std::snprintf(group, sizeof group, "%04x", c);
        out += group;
    }
    return out;
}

std::string inQuotes(const std::string& text) {
    return "\"" + text + "\"";
}

std::string listing(const std::string& name) {
    return "AT+EFSL=" + inQuotes(hex4(name)) + "\r";
}

std::string entry(const std::string& upperHexName, int size) {
    return "+EFSL: " + inQuotes(upperHexName) + "," + std::to_string(size) + ",0";
}

class ConnectionPeer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(conn.Conn_Init(peer.slavePath().c_str())); }
    void TearDown() override {
        conn.Conn_DeInit();
        EXPECT_EQ(peer.failures(), "");
    }
    // Answers the DT status query with status, so SwitchDT has a status to act on.
    void queryDt(int status) {
        peer.script({{"AT+ESUO?\r", reply({"+ESUO: " + std::to_string(status) + ",0"})}});
        ASSERT_EQ(conn.InternalQueryDt(), 0);
    }

    PtyPeer peer;
    Connection conn;
};

TEST_F(ConnectionPeer, ShortPathSendsRootThenTheWholePath) {
    peer.script({{kRoot, kOk}, {listing("C:\\ZOV"), reply({entry("0041", 1)})}});
    EXPECT_TRUE(conn.TFSGetDirFileListInfo(CString("C:\\ZOV")));
}

TEST_F(ConnectionPeer, LongPathEntersItsLeadingFoldersUpToTheLastSeparatorWithin62) {
    // Separators at positions 2, 40 and 70 of a 100-character path.
    std::string path =
        "C:\\" + std::string(37, 'a') + "\\" + std::string(29, 'b') + "\\" + std::string(29, 'c');
    ASSERT_EQ(path.size(), 100u);
    peer.script({{kRoot, kOk},
                 {"AT+EFSF=2," + inQuotes(hex4(path.substr(0, 40))) + "\r", kOk},
                 {listing(path.substr(41)), reply({entry("0041", 1)})}});
    EXPECT_TRUE(conn.TFSGetDirFileListInfo(CString(path.c_str())));
}

TEST_F(ConnectionPeer, VeryLongPathIsWalkedInSeveralSteps) {
    std::string first = std::string(60, 'a');
    std::string second = std::string(60, 'b');
    std::string path = first + "\\" + second + "\\" + "file.vxp";
    peer.script({{kRoot, kOk},
                 {"AT+EFSF=2," + inQuotes(hex4(first)) + "\r", kOk},
                 {"AT+EFSF=2," + inQuotes(hex4(second)) + "\r", kOk},
                 {listing("file.vxp"), reply({entry("0041", 1)})}});
    EXPECT_TRUE(conn.TFSGetDirFileListInfo(CString(path.c_str())));
}

TEST_F(ConnectionPeer, NameLongerThan62IsRefusedRatherThanCut) {
    peer.script({{kRoot, kOk}});
    CString path(std::string(70, 'n').c_str());
    EXPECT_FALSE(conn.TFSChangeDir(path));
    EXPECT_TRUE(peer.waitScriptDone(5000));
}

TEST_F(ConnectionPeer, FailedEnterStepFailsTheWalk) {
    std::string path = std::string(40, 'a') + "\\" + std::string(40, 'b');
    peer.script(
        {{kRoot, kOk}, {"AT+EFSF=2," + inQuotes(hex4(std::string(40, 'a'))) + "\r", kError}});
    CString rest(path.c_str());
    EXPECT_FALSE(conn.TFSChangeDir(rest));
}

TEST_F(ConnectionPeer, ListingFillsTheCacheWhichMatchesNamesExactly) {
    peer.script({{kRoot, kOk},
                 {listing("C:"),
                  reply({entry("0041002E005600580050", 10), entry("0062002E007400780074", 20)})}});
    ASSERT_TRUE(conn.TFSGetDirFileListInfo(CString("C:")));
    EXPECT_TRUE(conn.IsExistInTheDir(CString("A.VXP")));
    EXPECT_TRUE(conn.IsExistInTheDir(CString("b.txt")));
    EXPECT_FALSE(conn.IsExistInTheDir(CString("a.vxp")));
    EXPECT_FALSE(conn.IsExistInTheDir(CString("A.VX")));
}

TEST_F(ConnectionPeer, ListingWithoutEntriesFailsAndLeavesTheCacheEmpty) {
    peer.script({{kRoot, kOk},
                 {listing("C:"), reply({entry("0041", 1)})},
                 {kRoot, kOk},
                 {listing("C:\\ZOV"), kOk}});
    ASSERT_TRUE(conn.TFSGetDirFileListInfo(CString("C:")));
    EXPECT_FALSE(conn.TFSGetDirFileListInfo(CString("C:\\ZOV")));
    EXPECT_FALSE(conn.IsExistInTheDir(CString("A")));
    EXPECT_FALSE(conn.TFSRemoveOtherTargetVxpFile(CString("x")));
}

TEST_F(ConnectionPeer, RemovingOthersDeletesEveryOtherEntryByItsFullPath) {
    // The second entry's name holds a character outside ASCII (e with acute accent).
    peer.script(
        {{kRoot, kOk},
         {listing("C:\\ZOV"), reply({entry("0061", 1), entry("006300E9", 2), entry("006B", 3)})},
         {kRoot, kOk},
         {"AT+EFSD=" + inQuotes(hex4("C:\\ZOV\\a")) + "\r", kOk},
         {kRoot, kOk},
         {"AT+EFSD=" + inQuotes(hex4("C:\\ZOV\\c") + "00e9") + "\r", kOk}});
    ASSERT_TRUE(conn.TFSGetDirFileListInfo(CString("C:\\ZOV")));
    EXPECT_TRUE(conn.TFSRemoveOtherTargetVxpFile(CString("k")));
}

TEST_F(ConnectionPeer, DriveListReportsNamesWithTheirFreeSpace) {
    peer.script({{"AT+EFSL\r", reply({"+EFSL: \"0043003A\"", "+EFSL: \"0044003A\""})},
                 {"AT+EFS=67\r", reply({"+EFS: 1000"})},
                 {"AT+EFS=68\r", reply({"+EFS: 2000,1"})}});
    std::vector<CString> names;
    std::vector<unsigned long> sizes;
    ASSERT_TRUE(conn.TFSGetDriveInfo(names, sizes));
    ASSERT_EQ(names.size(), 2u);
    EXPECT_TRUE(wcscmp(names[1].GetData(), L"D:") == 0);
    EXPECT_EQ(sizes, (std::vector<unsigned long>{1000, 2000}));
}

TEST_F(ConnectionPeer, DriveNameOutsideCToIFailsTheDriveList) {
    peer.script({{"AT+EFSL\r", reply({"+EFSL: \"0063003A\""})}});
    std::vector<CString> names;
    std::vector<unsigned long> sizes;
    EXPECT_FALSE(conn.TFSGetDriveInfo(names, sizes));
    EXPECT_TRUE(names.empty());
}

TEST_F(ConnectionPeer, SwitchingIntoTheDtModeIsSentOnceAndLeavingItOnce) {
    queryDt(4);
    peer.script({{"AT+ESUO=3\r", kOk}, {"AT+ESUO=4\r", kOk}});
    EXPECT_TRUE(conn.SwitchDT(true));
    EXPECT_TRUE(conn.SwitchDT(true));
    EXPECT_TRUE(conn.SwitchDT(false));
    EXPECT_TRUE(peer.waitScriptDone(5000));
}

struct QuietSwitch {
    int status;
    bool enter;
    bool result;
};

class ConnectionDtQuiet : public ConnectionPeer,
                          public ::testing::WithParamInterface<QuietSwitch> {};

TEST_P(ConnectionDtQuiet, SendsNothing) {
    queryDt(GetParam().status);
    peer.script({});
    EXPECT_EQ(conn.SwitchDT(GetParam().enter), GetParam().result);
    EXPECT_EQ(peer.linesAnswered(), 1);
}

INSTANTIATE_TEST_SUITE_P(Statuses, ConnectionDtQuiet,
                         ::testing::Values(QuietSwitch{6, false, true}, QuietSwitch{3, true, true},
                                           QuietSwitch{0, true, false},
                                           QuietSwitch{8, false, false}));

TEST_F(ConnectionPeer, StatusReplyWithoutItsLineKeepsTheEarlierStatus) {
    queryDt(4);
    peer.script({{"AT+ESUO?\r", kOk}, {"AT+ESUO=3\r", kOk}});
    EXPECT_EQ(conn.InternalQueryDt(), 100);
    EXPECT_TRUE(conn.SwitchDT(true));
}

TEST_F(ConnectionPeer, ChecksAnswerTrueOnFailure) {
    peer.script({{"AT\r", kOk}, {"AT\r", kError}, {"AT+[666]EXIT_ALL\r", kError}});
    EXPECT_FALSE(conn.CheckAT_OK());
    EXPECT_TRUE(conn.CheckAT_OK());
    EXPECT_TRUE(conn.stopAllApp());
}

class ConnectionUpload : public ConnectionPeer {
protected:
    void SetUp() override {
        ConnectionPeer::SetUp();
        dir = fs::temp_directory_path() /
              ("connection-test-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override {
        ConnectionPeer::TearDown();
        fs::remove_all(dir);
    }
    std::string pcFile(size_t size) {
        std::string bytes;
        for (size_t i = 0; i < size; ++i)
            bytes += static_cast<char>(i * 7 + 1);
        fs::path path = dir / "app.vxp";
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<long>(size));
        return path.string();
    }
    static std::string chunk(int flag, const std::string& bytes) {
        std::string hex;
        char pair[4];
        for (unsigned char c : bytes) {
            std::snprintf(pair, sizeof pair, "%02X", c);
            hex += pair;
        }
        return "AT+EFSW=2," + std::to_string(flag) + "," + std::to_string(bytes.size()) + "," +
               inQuotes(hex) + "\r";
    }
    static std::string part(const std::string& path, size_t from, size_t count) {
        std::ifstream in(path, std::ios::binary);
        std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return all.substr(from, count);
    }
    std::vector<PeerStep> opening(const char* packetReply) {
        return {{kRoot, kOk},
                {"AT+EFSW=0," + inQuotes(hex4("app.vxp")) + "\r", kOk},
                {"AT+EFSW?\r", packetReply}};
    }
    static PeerStep closing() { return {"AT+EFSW=1," + inQuotes(hex4("app.vxp")) + "\r", kOk}; }

    fs::path dir;
};

TEST_F(ConnectionUpload, FileOf150BytesTravelsAsFlags001WithCounts646422) {
    std::string pc = pcFile(150);
    std::vector<PeerStep> steps = opening("\r\n+EFSW: 64\r\n\r\nOK\r\n");
    steps.push_back({chunk(0, part(pc, 0, 64)), kOk});
    steps.push_back({chunk(0, part(pc, 64, 64)), kOk});
    steps.push_back({chunk(1, part(pc, 128, 22)), kOk});
    steps.push_back(closing());
    peer.script(steps);
    EXPECT_EQ(conn.TFSWriteTargetFile(CString("app.vxp"), CString(pc.c_str())), 0);
}

TEST_F(ConnectionUpload, PacketSizeOfZeroMeans64AndIsAskedForOnlyOnce) {
    std::string pc = pcFile(64);
    std::vector<PeerStep> steps = opening("\r\n+EFSW: 0\r\n\r\nOK\r\n");
    for (int upload = 0; upload < 2; ++upload) {
        steps.push_back({chunk(0, part(pc, 0, 64)), kOk});
        steps.push_back(closing());
        if (upload == 0) {
            steps.push_back({kRoot, kOk});
            steps.push_back({"AT+EFSW=0," + inQuotes(hex4("app.vxp")) + "\r", kOk});
        }
    }
    peer.script(steps);
    EXPECT_EQ(conn.TFSWriteTargetFile(CString("app.vxp"), CString(pc.c_str())), 0);
    EXPECT_EQ(conn.TFSWriteTargetFile(CString("app.vxp"), CString(pc.c_str())), 0);
    EXPECT_EQ(conn.GetUploadPacketSize(), 64);
}

TEST_F(ConnectionUpload, ReadErrorOnThePcFileFailsAndDeletesTheDeviceFile) {
    // A folder opens for reading but every read of it fails.
    std::vector<PeerStep> steps = opening("\r\n+EFSW: 64\r\n\r\nOK\r\n");
    steps.push_back(closing());
    steps.push_back({kRoot, kOk});
    steps.push_back({"AT+EFSD=" + inQuotes(hex4("app.vxp")) + "\r", kOk});
    peer.script(steps);
    EXPECT_EQ(conn.TFSWriteTargetFile(CString("app.vxp"), CString(dir.string().c_str())), 2);
}

TEST_F(ConnectionUpload, RefusedChunkClosesThenDeletesTheFileByItsFullPath) {
    std::string pc = pcFile(100);
    std::string target = "C:\\ZOV\\app.vxp";
    std::vector<PeerStep> script = {{kRoot, kOk},
                                    {"AT+EFSW=0," + inQuotes(hex4(target)) + "\r", kOk},
                                    {"AT+EFSW?\r", "\r\n+EFSW: 64\r\n\r\nOK\r\n"},
                                    {chunk(0, part(pc, 0, 64)), "\r\n+CME ERROR: 4\r\n"},
                                    {"AT+EFSW=1," + inQuotes(hex4(target)) + "\r", kOk},
                                    {kRoot, kOk},
                                    {"AT+EFSD=" + inQuotes(hex4(target)) + "\r", kOk}};
    peer.script(script);
    EXPECT_EQ(conn.TFSWriteTargetFile(CString(target.c_str()), CString(pc.c_str())), 2);
}

} // namespace
