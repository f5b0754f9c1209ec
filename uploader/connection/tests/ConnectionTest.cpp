// Connection: the UCS-2 encoding of names; decoding the "+EFSR" reply lines of a device file
// read into a real PC file, which a malformed line must not leave behind; and over the real
// serial port on a pseudo-terminal, answered by a strict scripted peer, the folder walk of long
// names, the DT mode and the upload's refusals, with the exact command lines each one sends.
#include <gtest/gtest.h>

#include <thread>
#include <tuple>

#include "Connection.h"
#include "DevsimProcess.h"
#include "PtyPeer.h"
#include "TableRow.h"
#include "UCS2Text.h"

namespace {

// A "+EFSR" line with the count and the data field.
ATParamLst readLine(int count, const char* hex) {
    return {ATParamElem::Text("+EFSR"), ATParamElem::Integer(0), ATParamElem::Integer(0),
            ATParamElem::Integer(count), ATParamElem::Text(hex)};
}

TEST(PcFile, MalformedLineRemovesThePartlyWrittenFileAndAMissingFolderFails) {
    devsim_test::TempFolder temp;
    std::string path = temp.Sub("autostart.txt");
    Connection conn;
    std::vector<ATParamLst> lines = {readLine(2, "5B61"), readLine(3, "41")};
    EXPECT_FALSE(conn.WritePcFile(CString(path.c_str()), lines));
    EXPECT_FALSE(devsim_test::HostExists(path));
    EXPECT_FALSE(conn.WritePcFile(CString(temp.Sub("gone/autostart.txt").c_str()), lines));
}

// A line fails without a byte count, or with data that its count or the upper-case hexadecimal
// digits do not match; a count of 0 carries nothing, with or without a data field.
TEST(PcFile, ALineCarriesExactlyItsCountOfBytes) {
    Connection conn;
    std::string bytes;
    ATParamLst noData = readLine(0, "");
    noData.pop_back();
    EXPECT_TRUE(conn.GetInputFileLine(noData, bytes));
    noData.back() = ATParamElem::Integer(1);
    EXPECT_FALSE(conn.GetInputFileLine(noData, bytes));
    noData.pop_back();
    EXPECT_FALSE(conn.GetInputFileLine(noData, bytes));
    EXPECT_TRUE(conn.GetInputFileLine(readLine(0, "41"), bytes));
    for (const char* hex : {"4G", "G4", "4f"})
        EXPECT_FALSE(conn.GetInputFileLine(readLine(1, hex), bytes)) << hex;
    EXPECT_FALSE(conn.GetInputFileLine(readLine(-1, ""), bytes));
    EXPECT_TRUE(conn.GetInputFileLine(readLine(2, "0AF9"), bytes));
    EXPECT_EQ(bytes, "\x0A\xF9");
}

// Four lower-case digits per character (ASCII and Latin-1 names are in every command line
// below); above FFFF a surrogate pair, outside Unicode FFFD. Decoding is seen in the listings.
TEST(UCS2Text, EncodeGivesFourLowerCaseDigitsPerCharacterAndNarrowingTheCharactersAlone) {
    CString text;
    for (wchar_t c : {0x00E9, 0xFFFF, 0x1F600, 0x110000, -1})
        text += c;
    EXPECT_EQ(EncodeUCS2txt(text), "00e9ffffd83dde00fffdfffd");
    EXPECT_EQ(UCS2toASCII(CString("C:\\ZOV")), "C:\\ZOV"); // no terminator in the text
}

using devsim_test::Ucs2;

const char kError[] = "\r\nERROR\r\n";
const char kRoot[] = "AT+EFSF=3\r";

std::string inQuotes(const std::string& text) {
    return "\"" + text + "\"";
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
        peer.script({{"AT+ESUO?\r", PeerReply({"+ESUO: " + std::to_string(status) + ",0"})}});
        ASSERT_EQ(conn.InternalQueryDt(), 0);
    }

    PtyPeer peer;
    Connection conn;
};

// A folder of 62 characters is entered whole, leaving a name of one character, and the other
// way round.
TEST_F(ConnectionPeer, NamesOf62CharactersFitACommandNot63) {
    std::string name(62, 'n');
    std::string enter = "AT+EFSF=2,", create = "AT+EFSF=0,";
    queryDt(4); // outside the DT mode: the folder walk enters it first
    peer.script({{"AT+ESUO=3\r", kPeerOk},
                 {kRoot, kPeerOk},
                 {enter + inQuotes(Ucs2(name)) + "\r", kPeerOk},
                 {create + inQuotes(Ucs2("e")) + "\r", kPeerOk},
                 {kRoot, kPeerOk},
                 {enter + inQuotes(Ucs2("x")) + "\r", kPeerOk},
                 {create + inQuotes(Ucs2(name)) + "\r", kPeerOk},
                 {"AT+EFSW=1," + inQuotes(Ucs2(name)) + "\r", kPeerOk}});
    EXPECT_TRUE(conn.TFSCreateDir(CString((name + "\\e").c_str())));
    EXPECT_TRUE(conn.TFSCreateDir(CString(("x\\" + name).c_str()))); // a folder of one character
    EXPECT_TRUE(conn.HandleTargetFile(CString(name.c_str()), 1));
    EXPECT_FALSE(conn.HandleTargetFile(CString((name + "n").c_str()), 1));
}

// What the lists held before is gone, whatever the outcome.
bool driveListFails(Connection& c, const CString&) {
    std::vector<CString> names = {CString("stale")};
    std::vector<unsigned long> sizes = {1};
    return !c.TFSGetDriveInfo(names, sizes) && sizes.empty() &&
           (names.empty() || names.back().GetDataLength() == 2); // at most the drive that failed
}

// How the other refusals show.
const auto noFolder = [](Connection& c, const CString& p) { return !c.TFSCreateDir(p); };
const auto noRemoval = [](Connection& c, const CString& p) { return !c.TFSRemoveTargetFile(p); };
const auto upload = [](Connection& c, const CString& p) { return c.TFSWriteTargetFile(p, p) == 2; };

// A path over a limit, or a name the command cannot carry, is refused before the device hears
// of it; a refused or malformed drive list fails the drive list. Nothing further is sent.
struct PathCase : test_table::Row {
    std::string path;
    std::vector<PeerStep> steps;
    const char* message;
    bool (*refused)(Connection&, const CString&);
};

class PathRefusal : public ConnectionPeer, public ::testing::WithParamInterface<PathCase> {};

TEST_P(PathRefusal, SendsNothingFurther) {
    peer.script(GetParam().steps);
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(GetParam().refused(conn, CString(GetParam().path.c_str())));
    EXPECT_NE(::testing::internal::GetCapturedStdout().find(GetParam().message), std::string::npos);
}

const std::string kEnterA40 = "AT+EFSF=2," + inQuotes(Ucs2(std::string(40, 'a'))) + "\r";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Paths, PathRefusal, ::testing::Values(
    PathCase{"Read259NameOver62", std::string(259, 'r'), {{kRoot, kPeerOk}}, "is longer than 62 characters.\n", [](Connection& c, const CString& p) { return !c.TFSReadTargetFile(p, p, 1); }},
    PathCase{"Remove259NameOver62", std::string(259, 'r'), {{kRoot, kPeerOk}}, "is longer than 62 characters.\n", noRemoval},
    PathCase{"RemoveAfterRootRefused", "r", {{kRoot, kError}}, "Go to root directory error: [100]", noRemoval},
    PathCase{"Folder247NameOver62", std::string(247, 'f'), {{kRoot, kPeerOk}}, "is longer than 62 characters.\n", noFolder},
    PathCase{"Upload259NameOver62", std::string(259, 'u'), {{kRoot, kPeerOk}}, "is longer than 62 characters.\n", upload},
    PathCase{"FolderEnterRefused", std::string(40, 'a') + "\\" + std::string(40, 'b'), {{kRoot, kPeerOk}, {kEnterA40, kError}}, "", noFolder},
    PathCase{"NoDriveLine", "", {{"AT+EFSL\r", kPeerOk}}, "", driveListFails},
    PathCase{"DriveLetterOutsideCToI", "", {{"AT+EFSL\r", PeerReply({"+EFSL: \"0063003A\""})}}, "", driveListFails},
    PathCase{"DriveLetterBelowC", "", {{"AT+EFSL\r", PeerReply({"+EFSL: \"0042003A\""})}}, "", driveListFails},
    PathCase{"NoFreeSpaceLineNameUnclosed", "", {{"AT+EFSL\r", PeerReply({"+EFSL: \"0043003A0"})}, {"AT+EFS=67\r", kPeerOk}}, "Get driver C: available size.", driveListFails},
    PathCase{"ListingOutsideAscii", "C:\\caf\x80s", {{kRoot, kPeerOk}}, "The device path C:\\caf?s holds characters outside ASCII.\n", [](Connection& c, const CString& p) { return !c.TFSGetDirFileListInfo(p); }}),
    test_table::ByName());
// clang-format on

// A refused or line-less status query keeps the status found before, so the switch is tried.
TEST_F(ConnectionPeer, RefusedStatusAndSwitchAreTriedAgainThenEnteringAndLeavingAreSentOnce) {
    queryDt(4);
    peer.script({{"AT+ESUO?\r", "\r\n+CME ERROR: 21\r\n"},
                 {"AT+ESUO?\r", kPeerOk},
                 {"AT+ESUO=3\r", kError},
                 {"AT+ESUO=3\r", kPeerOk},
                 {"AT+ESUO=4\r", kPeerOk}});
    EXPECT_EQ(conn.InternalQueryDt(), 21);
    EXPECT_EQ(conn.InternalQueryDt(), 100);
    EXPECT_FALSE(conn.SwitchDT(true));
    EXPECT_TRUE(conn.SwitchDT(true));
    EXPECT_TRUE(conn.SwitchDT(true));
    std::thread([&] { EXPECT_TRUE(conn.SwitchDT(false)); }).join(); // the command lock is free
    // The drive list and the packet size are asked for in the DT mode; a reset leaves it first.
    peer.script({{"AT+ESUO=3\r", kPeerOk},
                 {"AT+EFSL\r", kError},
                 {"AT+ESUO=4\r", kPeerOk},
                 {"AT+[666]REBOOT\r", kPeerOk},
                 {"AT+ESUO=3\r", kPeerOk},
                 {"AT+EFSW?\r", kError}});
    EXPECT_TRUE(driveListFails(conn, CString()));
    EXPECT_TRUE(conn.TargetReset());
    conn.InternalGetPacketSize();
}

// Statuses 3 to 7 are known: the DT mode, outside it, and outside it for another reason.
TEST_F(ConnectionPeer, SwitchSendsNothingWhereTheStatusNeedsOrAllowsNoChange) {
    for (auto [status, enter, result] : {std::tuple{5, false, true},
                                         {7, false, true},
                                         {3, true, true},
                                         {2, true, false},
                                         {8, false, false}}) {
        queryDt(status);
        peer.script({});
        EXPECT_EQ(conn.SwitchDT(enter), result) << status;
    }
}

// How an upload of "app.vxp" that the device opens ends, by the packet size it reports and the
// PC file; the refused open and the refused chunk are end-to-end outcome rows. A failed upload
// closes and deletes the device file, so nothing is left to abandon afterwards.
enum PcFile { kPcMissing, kPcFolder, kPcOneByte };

struct UploadCase : test_table::Row {
    const char* packetLine;
    PcFile pc;
    bool chunkSent;
    int status;
    const char* message;
};

class Upload : public ConnectionPeer, public ::testing::WithParamInterface<UploadCase> {};

TEST_P(Upload, EndsWithItsStatusAndLeavesNothingToAbandon) {
    const UploadCase& c = GetParam();
    devsim_test::TempFolder temp;
    std::string app = c.pc == kPcFolder ? temp.Path() : temp.Sub("app.vxp");
    if (c.pc == kPcOneByte)
        devsim_test::WriteHostFile(app, "A");
    std::string file = inQuotes(Ucs2("app.vxp"));
    std::vector<PeerStep> steps = {{kRoot, kPeerOk},
                                   {"AT+EFSW=0," + file + "\r", kPeerOk},
                                   {"AT+EFSW?\r", PeerReply({c.packetLine})}};
    if (c.chunkSent)
        steps.push_back({"AT+EFSW=2,1,1,\"41\"\r", kPeerOk});
    steps.push_back({"AT+EFSW=1," + file + "\r", kPeerOk});
    if (c.status != 0)
        steps.insert(steps.end(), {{kRoot, kPeerOk}, {"AT+EFSD=" + file + "\r", kPeerOk}});
    peer.script(steps);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(conn.TFSWriteTargetFile(CString("app.vxp"), CString(app.c_str())), c.status);
    EXPECT_TRUE(conn.AbandonOpenFile());
    EXPECT_NE(::testing::internal::GetCapturedStdout().find(c.message), std::string::npos);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Endings, Upload, ::testing::Values(
    UploadCase{"NegativePacketSize", "+EFSW: -1", kPcOneByte, false, 2, ""},
    UploadCase{"HugePacketSize", "+EFSW: 99999999999999999", kPcOneByte, true, 0, "Target packet size = 4096\n"},
    UploadCase{"PcFileMissing", "+EFSW: 64", kPcMissing, false, 2, "app.vxp failed, error = No such file or directory\n"},
    UploadCase{"PcFileUnreadable", "+EFSW: 64", kPcFolder, false, 2, " failed, error = Is a directory\n"}),
    test_table::ByName());
// clang-format on

} // namespace
