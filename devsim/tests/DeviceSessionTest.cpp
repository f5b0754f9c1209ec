// The command table as a client meets it: reply shapes, the syntax it refuses, and scripts of
// commands under devsim's options (folders, chunks, faults, reboot) with what they leave in
// the drive folders; and the codec of the names on the line.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "DeviceSession.h"
#include "Ucs2Hex.h"
#include "DevsimProcess.h"
#include "TableRow.h"

using namespace devsim;
using namespace devsim_test;

namespace {

// A name as the upload tool sends it: lower-case UCS-2 digits in double quotes.
std::string Q(const std::string& name) {
    return "\"" + Ucs2(name) + "\"";
}

const char kAbsent[] = "<absent>";

} // namespace

struct Step {
    std::string command;
    std::string reply; // its lines and final result joined by '|'; "" for no reply at all
};

struct ScriptCase : test_table::Row {
    std::vector<std::string> options; // as on the devsim command line
    std::vector<Step> steps;
    std::vector<std::pair<std::string, std::string>> after; // host path and content or kAbsent
};

class Script : public ::testing::TestWithParam<ScriptCase> {};

// Drives C, D and Z; C:\ZOV holds a.vxp ("abc").
TEST_P(Script, EachCommandGetsItsResultAndTheDrivesEndAsExpected) {
    TempFolder tmp;
    for (const char* folder : {"C", "D", "Z", "C/ZOV"})
        ::mkdir(tmp.Sub(folder).c_str(), 0755);
    WriteHostFile(tmp.Sub("C/ZOV/a.vxp"), "abc");
    std::vector<std::string> args = GetParam().options;
    args.insert(args.begin(), {"devsim", "--root", tmp.Path()});
    std::vector<char*> argv = ArgvOf(args);
    DeviceOptions options;
    DeviceFileSystem fs;
    std::string error;
    ASSERT_TRUE(ParseDeviceOptions(static_cast<int>(args.size()), argv.data(), options, error) &&
                fs.Open(tmp.Path(), error))
        << error;
    CommandLog log;
    DeviceSession session(options, fs, log);
    session.Boot();
    for (const Step& step : GetParam().steps) {
        DeviceReply reply = session.Handle(step.command);
        std::string joined;
        for (const std::string& line : reply.lines)
            joined += line + "|";
        EXPECT_EQ(reply.silent ? "" : joined + reply.final, step.reply) << step.command;
    }
    for (const auto& [path, content] : GetParam().after) {
        if (content == kAbsent)
            EXPECT_FALSE(HostExists(tmp.Sub(path))) << path;
        else
            EXPECT_EQ(ReadHostFile(tmp.Sub(path)), content) << path;
    }
}

const std::string kOpenW = "AT+EFSW=0," + Q("C:\\w");
const std::string kCloseW = "AT+EFSW=1," + Q("C:\\w");
const std::string kDeleteA = "AT+EFSD=" + Q("C:\\ZOV\\a.vxp");
const char kReboot[] = "AT+[666]REBOOT";
const char kExitAll[] = "AT+[666]EXIT_ALL";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, Script, ::testing::Values(
    // One command at a time on a fresh device: the reply shapes and the syntax refused.
    ScriptCase{"CommandTable", {}, {
    {"at", "OK"}, {"AT+CMEE=1", "OK"}, {"AT+ESWM=1,-2", "OK"}, {"AT+ESWM=1,2,3", "ERROR"},
    {"AT+CEER", "+CEER: 0,\"No error\"|OK"}, {"AT+ESUO=7", "OK"}, {"AT+ESUO=2", "ERROR"},
    {"AT+ESUO=8", "ERROR"}, {"AT+ESUO=3,4", "ERROR"}, {"AT+EFSF=3", "OK"}, {"AT+EFSF=3,\"0043003a\"", "ERROR"},
    {"AT+EFSF=2", "ERROR"}, {"AT+EFSF=2,\"0043003a005c0078\"", "ERROR"},
    {"AT+EFSF=2,\"0043003a\",1", "ERROR"},
    {"AT+EFSF=9,\"0078\"", "ERROR"}, {"AT+EFSC=?", "OK"}, {"AT+EFSF=2,\"\" ", "OK"},
    {"AT+EFSF=1,\"\"", "ERROR"}, {"AT+EFSF=1,\"0043003a\"", "ERROR"},
    {"AT+EFSF=1,\"0043003a005c005a004f0056\"", "ERROR"},
    {"AT+EFSL=\"\"", "+EFSL: \"005A004F0056\",0,1|OK"}, {"AT+EFSC=\"0043003a\"", "+EFSC: 3,1|OK"},
    {"AT+efsl", "+EFSL: \"0043003A\"|+EFSL: \"0044003A\"|+EFSL: \"005A003A\"|OK"},
    {"AT+EFSL=\"0043003a005c005a004f0056\"", "+EFSL: \"0061002E007600780070\",3,0|OK"},
    {"AT+EFSL=\"0044003a\"", "OK"}, {"AT+EFSL=\"0045003a\"", "ERROR"},
    {"AT+EFSL=\"0043003a005c005a004f0056005c0061002e007600780070\"", "ERROR"},
    {"AT+EFS=69", "ERROR"}, {"AT+EFS=91", "ERROR"}, {"AT+EFSR=\"0043003a005c0078\"", "ERROR"},
    {"AT+EFSW?", "+EFSW: 1024|OK"}, {"AT+EFSW=2,0,1,\"00\"", "ERROR"},
    {"AT+EFSW=1,\"0078\"", "ERROR"}, {"AT+EFSW=3,\"0078\"", "ERROR"}, {"AT+EFSC=\"004\"", "ERROR"},
    {"AT+EFSD=\"0043003a005c0078\"", "ERROR"}, {"AT+EFSD=\"0043003a005c005a004f0056\"", "ERROR"},
    {"AT+NOPE=0,\"0078\"", "ERROR"}, {"AT+EFSL=\"004\"", "ERROR"}, {"AT+ESUO", "ERROR"},
    {"HI+CEER", "ERROR"}, {"A", "ERROR"}, {"ATX", "ERROR"}, {"AT+", "ERROR"}, {"AT+[]X", "ERROR"},
    {"AT+[6a]REBOOT", "ERROR"}, {"AT+CEER=", "ERROR"}, {"AT+CEER?x", "ERROR"},
    {"AT+ESWM=\"1", "ERROR"}, {"AT+EFSL=\"0043003a\"x", "ERROR"}, {"AT+EFSF=2,,\"00\"", "ERROR"},
    {"AT+CMEE=1234567890123456789", "ERROR"}, {"AT+CMEE=-123456789012345678", "OK"},
    {"AT+CMEE=1x", "ERROR"}, {"AT+EFSF=3,x", "ERROR"}, {"AT+ESWM=\"1\" ,2", "OK"},
    {"AT+ESUO= 5 ", "OK"}, {"AT+EFSF=\"1\"", "ERROR"}, {"AT+EFSW=" + Q("C:\\ZOV\\a.vxp"), "ERROR"},
    {"AT+EFSW=0," + Q("C:\\a.vxp") + ",1", "ERROR"}},
               {}},
    ScriptCase{"BadChunksWriteNothing", {"--packet-size", "4"},
               {{kOpenW, "OK"}, {"AT+EFSW=2,0,2,\"010\"", "ERROR"},
                {"AT+EFSW=2,0,2,\"0102FF\"", "ERROR"}, {"AT+EFSW=2,0,5,\"0102030405\"", "ERROR"},
                {"AT+EFSW=2,7,1,\"01\"", "ERROR"}, {"AT+EFSW=2,0,1,\"01zz\"", "ERROR"},
                {"AT+EFSW=2,0,1,\"0z\"", "ERROR"}, {"AT+EFSW=2,0,-1,\"\"", "ERROR"},
                {"AT+EFSW=2,0,0,\"\"", "OK"}, {"AT+EFSW=2,0,1", "ERROR"},
                {"AT+EFSW=2,\"0\",1,\"01\"", "ERROR"}, {"AT+EFSW=2,0,\"0\",\"\"", "ERROR"},
                {"AT+EFSW=2,1,4,\"9aBcDfA0\"", "OK"}, {"AT+EFSW=1," + Q("C:\\other"), "ERROR"},
                {kCloseW, "OK"}, {kCloseW, "ERROR"}, {"AT+EFSW=2,1,1,\"01\"", "ERROR"}},
               {{"C/w", "\x9A\xBC\xDF\xA0"}}},
    // Without a packet size to answer, a chunk may be as long as the device takes any.
    ScriptCase{"NoPacketSizeNoChunkLimit", {"--packet-size", "none"},
               {{"AT+EFSW?", "OK"}, {kOpenW, "OK"},
                {"AT+EFSW=2,1,1025,\"" + std::string(2050, '0') + "\"", "OK"}, {kCloseW, "OK"}},
               {{"C/w", std::string(1025, '\0')}}},
    // Anchored at the start, the end or neither; nine digits after '=' are an error code, ten
    // belong to the pattern; a pattern longer than the line never matches it.
    ScriptCase{"FaultPatternsAnchoredOrAnywhere",
               {"--fail", "^AT+CE", "--fail", "^EFSL", "--fail", "CMEE=3$", "--fail",
                "AT+ESWM=123456789", "--fail", "AT+CMEE=1234567890", "--fail", "ZAT$"},
               {{"AT+CEER", "ERROR"}, {"AT+EFSL=\"0044003a\"", "OK"}, {"AT+CMEE=3", "ERROR"},
                {"AT+CMEE=31", "OK"}, {"AT+ESWM=1,2", "+CME ERROR: 123456789"},
                {"AT+CMEE=1234567890", "ERROR"}, {"AT", "OK"}},
               {}},
    ScriptCase{"RootResetsTheFolderRebootAlsoDtStatusAndOpenFile", {"--dt-status", "2147483647"},
               {{"AT+ESUO=3", "OK"}, {"AT+EFSF=2," + Q("C:\\ZOV"), "OK"}, {"AT+EFSF=3", "OK"},
                {"AT+EFSR=" + Q("a.vxp"), "ERROR"}, {"AT+EFSF=2," + Q("C:\\ZOV"), "OK"},
                {kOpenW, "OK"},
                {kReboot, "OK"}, {"AT+ESUO?", "+ESUO: 2147483647,0|OK"},
                {"AT+EFSR=" + Q("a.vxp"), "ERROR"}, {"AT+EFSW=2,1,1,\"41\"", "ERROR"}},
               {{"C/w", ""}}},
    // Removing the current folder leaves its drive current; deleting a file keeps the open one.
    ScriptCase{"RemovedCurrentFolderAndAnotherFileThanTheOpenOne", {},
               {{"AT+EFSF=0," + Q("C:\\new"), "OK"}, {"AT+EFSF=2," + Q("C:\\new"), "OK"},
                {"AT+EFSF=1," + Q("C:\\new"), "OK"}, {"AT+EFSF=0," + Q("x"), "OK"}, {kOpenW, "OK"},
                {kDeleteA, "OK"}, {"AT+EFSW=2,1,1,\"41\"", "OK"}},
               {{"C/w", "A"}, {"C/ZOV/a.vxp", kAbsent}}},
    // The application autostart.txt names (its value trimmed) can be neither deleted nor opened
    // for writing until all applications stop, and runs again after a reboot.
    ScriptCase{"LockRunning", {"--lock-running"},
               {{"AT+EFSW=0," + Q("C:\\autostart.txt"), "OK"},
                {"AT+EFSW=2,1,20,\"4170703D20433A5C5A4F565C612E767870200D0A\"", "OK"},
                {"AT+EFSW=1," + Q("C:\\autostart.txt"), "OK"}, {kReboot, "OK"}, {kDeleteA, "ERROR"},
                {"AT+EFSW=0," + Q("C:\\ZOV\\a.vxp"), "ERROR"}, {kExitAll, "OK"}, {kReboot, "OK"},
                {kDeleteA, "ERROR"}, {kExitAll, "OK"}, {kDeleteA, "OK"}},
               {{"C/ZOV/a.vxp", kAbsent}}},
    ScriptCase{"UnsolicitedLineAfterTheFirstLine", {"--unsolicited=1", "--baud", "1"},
               {{"AT+ESUO?", "+ESUO: 4,0|+EIND: 1|OK"}, {"AT", "+EIND: 1|OK"}}, {}}),
    test_table::ByName());
// clang-format on

// The device's reading of the names that arrive on the line: the command table sends them in
// lower-case digits and refuses odd digit counts; upper-case digits and every plane round-trip
// here.
struct NameCase : test_table::Row {
    const char* hex;
    const char* utf8; // nullptr: refused
};

class Ucs2Decoding : public ::testing::TestWithParam<NameCase> {};

TEST_P(Ucs2Decoding, DecodesEveryPlaneAndRefusesNulAndUnpairedSurrogates) {
    std::string name;
    ASSERT_EQ(DecodeUcs2Hex(GetParam().hex, name), GetParam().utf8 != nullptr);
    if (GetParam().utf8 != nullptr) {
        EXPECT_EQ(name, GetParam().utf8);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, Ucs2Decoding,
    ::testing::Values(NameCase{"LastCodePoint", "DBFFDFFF", "\xF4\x8F\xBF\xBF"},
                      NameCase{"NulCharacter", "00410000", nullptr},
                      NameCase{"FirstLowSurrogate", "DC00", nullptr},
                      NameCase{"LastLowSurrogate", "DFFF", nullptr},
                      NameCase{"FirstAfterTheSurrogates", "E000", "\xEE\x80\x80"},
                      NameCase{"HighSurrogateThenLetter", "D83D0041", nullptr}),
    test_table::ByName());

TEST(Ucs2Encoding, RoundTripsEveryPlaneAndReplacesMalformedUtf8) {
    for (const char* name : {"\xC2\x80", "\xDF\xBFt\xC3\xA9", "\xE0\xA0\x80\xEF\xBF\xBF",
                             "\xF0\x90\x80\x80\xF0\x9F\x98\x80"}) {
        std::string back;
        ASSERT_TRUE(DecodeUcs2Hex(EncodeUcs2Hex(name), back));
        EXPECT_EQ(back, name);
    }
    for (const char* malformed : {"\xFFt", "\xC0\x80t", "\xE0\x80\x80t", "\xED\xA0\x80t"})
        EXPECT_EQ(EncodeUcs2Hex(malformed), "FFFD0074") << "lone byte, overlong or surrogate";
}
