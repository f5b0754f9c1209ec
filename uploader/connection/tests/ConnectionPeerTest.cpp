// Connection over the real serial port on a pseudo-terminal, answered by a strict scripted
// peer: the folder walk of long paths, the directory cache, the DT mode and the upload's
// refusals, with the exact command lines each one sends.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "Connection.h"
#include "DevsimProcess.h"
#include "PtyClient.h"
#include "PtyPeer.h"

namespace {

namespace fs = std::filesystem;
using devsim_test::Ucs2;

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

std::string inQuotes(const std::string& text) {
    return "\"" + text + "\"";
}

std::string listing(const std::string& name) {
    return "AT+EFSL=" + inQuotes(Ucs2(name)) + "\r";
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

TEST_F(ConnectionPeer, LongPathIsEnteredUpToTheLastSeparatorWithin62AtEachStep) {
    std::string first = "C:\\" + std::string(37, 'a');                       // 40 characters
    std::string second = std::string(29, 'b') + "\\" + std::string(29, 'c'); // 59 characters
    std::string path = first + "\\" + second + "\\" + std::string(10, 'd');
    peer.script({{kRoot, kOk},
                 {"AT+EFSF=2," + inQuotes(Ucs2(first)) + "\r", kOk},
                 {"AT+EFSF=2," + inQuotes(Ucs2(second)) + "\r", kOk},
                 {listing(std::string(10, 'd')), reply({entry("0041", 1)})}});
    EXPECT_TRUE(conn.TFSGetDirFileListInfo(CString(path.c_str())));
}

// A name of 62 characters is sent as it is; a longer one is refused rather than cut.
TEST_F(ConnectionPeer, WalkStopsAtARefusedEnterStepOrANameLongerThan62) {
    std::string a40(40, 'a');
    peer.script({{kRoot, kOk},
                 {"AT+EFSF=2," + inQuotes(Ucs2(a40)) + "\r", kError},
                 {kRoot, kOk},
                 {kRoot, kOk}});
    CString refused((a40 + "\\" + std::string(40, 'b')).c_str());
    CString tooLong(std::string(63, 'n').c_str());
    CString longest(std::string(62, 'n').c_str());
    EXPECT_FALSE(conn.TFSChangeDir(refused));
    EXPECT_FALSE(conn.TFSChangeDir(tooLong));
    EXPECT_TRUE(conn.TFSChangeDir(longest));
    EXPECT_TRUE(peer.waitScriptDone(5000));
}

TEST_F(ConnectionPeer, ListingFillsTheCacheWhichMatchesNamesExactlyAndAnEmptyOneClearsIt) {
    peer.script({{kRoot, kOk},
                 {listing("C:"), reply({"+EFSL: \"0041002E005600580050\",10"})},
                 {kRoot, kOk},
                 {listing("C:\\ZOV"), kOk}});
    ASSERT_TRUE(conn.TFSGetDirFileListInfo(CString("C:")));
    EXPECT_TRUE(conn.IsExistInTheDir(CString("A.VXP")));
    EXPECT_EQ(conn.ListedKinds(), std::vector<int>{-1}); // the device sent no kind
    EXPECT_FALSE(conn.IsExistInTheDir(CString("a.vxp")));
    EXPECT_FALSE(conn.TFSGetDirFileListInfo(CString("C:\\ZOV")));
    EXPECT_FALSE(conn.IsExistInTheDir(CString("A.VXP")));
    EXPECT_FALSE(conn.TFSRemoveOtherTargetVxpFile(CString("x")));
}

TEST_F(ConnectionPeer, RemovingOthersDeletesEveryOtherEntryByItsFullPath) {
    // The first entry's name holds a character outside ASCII (e with acute accent).
    peer.script({{kRoot, kOk},
                 {listing("C:\\ZOV"), reply({entry("006300E9", 2), entry("006B", 3)})},
                 {kRoot, kOk},
                 {"AT+EFSD=" + inQuotes(Ucs2("C:\\ZOV\\c") + "00e9") + "\r", kOk}});
    ASSERT_TRUE(conn.TFSGetDirFileListInfo(CString("C:\\ZOV")));
    EXPECT_TRUE(conn.TFSRemoveOtherTargetVxpFile(CString("k")));
}

TEST_F(ConnectionPeer, DriveNameOutsideCToIFailsTheDriveList) {
    peer.script({{"AT+EFSL\r", reply({"+EFSL: \"0063003A\""})}});
    std::vector<CString> names;
    std::vector<unsigned long> sizes;
    EXPECT_FALSE(conn.TFSGetDriveInfo(names, sizes));
}

TEST_F(ConnectionPeer, RefusedSwitchIsTriedAgainThenEnteringAndLeavingAreSentOnce) {
    queryDt(4);
    peer.script({{"AT+ESUO=3\r", kError}, {"AT+ESUO=3\r", kOk}, {"AT+ESUO=4\r", kOk}});
    EXPECT_FALSE(conn.SwitchDT(true));
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
                                           QuietSwitch{8, false, false}),
                         [](const ::testing::TestParamInfo<QuietSwitch>& p) {
                             return (p.param.enter ? "Enter" : "Leave") +
                                    std::string("FromStatus") + std::to_string(p.param.status);
                         });

TEST_F(ConnectionPeer, StatusReplyWithoutItsLineKeepsTheEarlierStatus) {
    queryDt(4);
    peer.script({{"AT+ESUO?\r", kOk}, {"AT+ESUO=3\r", kOk}});
    EXPECT_EQ(conn.InternalQueryDt(), 100);
    EXPECT_TRUE(conn.SwitchDT(true));
}

TEST_F(ConnectionPeer, ReadErrorOnThePcFileFailsTheUploadAndDeletesTheDeviceFile) {
    // A folder opens for reading, but every read of it fails.
    std::string folder = fs::temp_directory_path().string();
    std::string file = inQuotes(Ucs2("app.vxp"));
    peer.script({{kRoot, kOk},
                 {"AT+EFSW=0," + file + "\r", kOk},
                 {"AT+EFSW?\r", reply({"+EFSW: 64"})},
                 {"AT+EFSW=1," + file + "\r", kOk},
                 {kRoot, kOk},
                 {"AT+EFSD=" + file + "\r", kOk}});
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(conn.TFSWriteTargetFile(CString("app.vxp"), CString(folder.c_str())), 2);
    EXPECT_NE(::testing::internal::GetCapturedStdout().find("Read file " + folder + " failed"),
              std::string::npos);
}

// Once the file is closed whole, an interruption has nothing to abandon: the upload stays.
TEST_F(ConnectionPeer, CompletedUploadLeavesNothingToAbandon) {
    devsim_test::TempFolder temp;
    std::string app = temp.Sub("app.vxp");
    devsim_test::WriteHostFile(app, "A");
    std::string file = inQuotes(Ucs2("app.vxp"));
    peer.script({{kRoot, kOk},
                 {"AT+EFSW=0," + file + "\r", kOk},
                 {"AT+EFSW?\r", reply({"+EFSW: 64"})},
                 {"AT+EFSW=2,1,1,\"41\"\r", kOk},
                 {"AT+EFSW=1," + file + "\r", kOk}});
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(conn.TFSWriteTargetFile(CString("app.vxp"), CString(app.c_str())), 0);
    EXPECT_TRUE(conn.AbandonOpenFile());
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(peer.linesAnswered(), 5);
}

} // namespace
