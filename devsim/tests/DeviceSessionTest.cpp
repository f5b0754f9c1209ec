// The command table as a client meets it: reply shapes, the syntax it refuses, and scripts of
// commands under devsim's options (folders, chunks, faults, reboot) with what they leave in
// the drive folders.
#include <gtest/gtest.h>

#include <memory>
#include <sys/stat.h>

#include "DeviceSession.h"
#include "DevsimProcess.h"
#include "PtyClient.h"
#include "Ucs2Hex.h"

using namespace devsim;
using devsim_test::HostExists;
using devsim_test::ReadHostFile;
using devsim_test::TempFolder;
using devsim_test::Ucs2;
using devsim_test::WriteHostFile;

namespace {

// A name as the upload tool sends it: lower-case UCS-2 digits in double quotes.
std::string Q(const std::string& name) {
    return "\"" + Ucs2(name) + "\"";
}

const char kAbsent[] = "<absent>";

} // namespace

class DeviceSessionTest : public ::testing::Test {
protected:
    // Drives C, D and Z; C:\ZOV holds a.vxp ("abc").
    void SetUp() override {
        for (const char* folder : {"C", "D", "Z", "C/ZOV"})
            ::mkdir(m_tmp.Sub(folder).c_str(), 0755);
        WriteHostFile(m_tmp.Sub("C/ZOV/a.vxp"), "abc");
        std::string error;
        ASSERT_TRUE(m_fs.Open(m_tmp.Path(), error)) << error;
    }

    // The device starts at the first command, with the options given so far.
    DeviceReply Do(const std::string& line) {
        if (!m_session) {
            m_session = std::make_unique<DeviceSession>(m_options, m_fs, m_log);
            m_session->Boot();
        }
        return m_session->Handle(line);
    }

    TempFolder m_tmp;
    DeviceOptions m_options;
    DeviceFileSystem m_fs;
    CommandLog m_log;
    std::unique_ptr<DeviceSession> m_session;
};

struct ShapeCase {
    const char* command;
    std::vector<std::string> lines;
    const char* final;
};

class ReplyShape : public DeviceSessionTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(ReplyShape, CommandGivesItsInformationLinesAndFinalResult) {
    DeviceReply reply = Do(GetParam().command);
    EXPECT_EQ(reply.lines, GetParam().lines);
    EXPECT_EQ(reply.final, GetParam().final);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ReplyShape,
    ::testing::Values(
        ShapeCase{"at", {}, "OK"}, ShapeCase{"AT+CMEE=1", {}, "OK"},
        ShapeCase{"AT+ESWM=1,-2", {}, "OK"}, ShapeCase{"AT+CEER", {"+CEER: 0,\"No error\""}, "OK"},
        ShapeCase{"AT+ESUO=7", {}, "OK"}, ShapeCase{"AT+ESUO=2", {}, "ERROR"},
        ShapeCase{"AT+ESUO=8", {}, "ERROR"}, ShapeCase{"AT+EFSF=3", {}, "OK"},
        ShapeCase{"AT+EFSF=3,\"0043003a\"", {}, "ERROR"}, ShapeCase{"AT+EFSF=2", {}, "ERROR"},
        ShapeCase{"AT+EFSF=2,\"0043003a005c0078\"", {}, "ERROR"},
        ShapeCase{"AT+EFSF=9,\"0078\"", {}, "ERROR"}, ShapeCase{"AT+EFSC=?", {}, "OK"},
        ShapeCase{"AT+EFSF=2,\"\" ", {}, "OK"}, ShapeCase{"AT+EFSF=1,\"\"", {}, "ERROR"},
        ShapeCase{"AT+EFSF=1,\"0043003a\"", {}, "ERROR"},
        ShapeCase{"AT+EFSF=1,\"0043003a005c005a004f0056\"", {}, "ERROR"},
        ShapeCase{"AT+EFSL=\"\"", {"+EFSL: \"005A004F0056\",0,1"}, "OK"},
        ShapeCase{"AT+EFSC=\"0043003a\"", {"+EFSC: 3,1"}, "OK"},
        ShapeCase{
            "AT+efsl", {"+EFSL: \"0043003A\"", "+EFSL: \"0044003A\"", "+EFSL: \"005A003A\""}, "OK"},
        ShapeCase{
            "AT+EFSL=\"0043003a005c005a004f0056\"", {"+EFSL: \"0061002E007600780070\",3,0"}, "OK"},
        ShapeCase{"AT+EFSL=\"0044003a\"", {}, "OK"}, ShapeCase{"AT+EFSL=\"0045003a\"", {}, "ERROR"},
        ShapeCase{"AT+EFSL=\"0043003a005c005a004f0056005c0061002e007600780070\"", {}, "ERROR"},
        ShapeCase{"AT+EFS=69", {}, "ERROR"}, ShapeCase{"AT+EFS=91", {}, "ERROR"},
        ShapeCase{"AT+EFSR=\"0043003a005c0078\"", {}, "ERROR"},
        ShapeCase{"AT+EFSW?", {"+EFSW: 1024"}, "OK"},
        ShapeCase{"AT+EFSW=2,0,1,\"00\"", {}, "ERROR"},
        ShapeCase{"AT+EFSW=1,\"0078\"", {}, "ERROR"}, ShapeCase{"AT+EFSW=3,\"0078\"", {}, "ERROR"},
        ShapeCase{"AT+EFSD=\"0043003a005c0078\"", {}, "ERROR"},
        ShapeCase{"AT+EFSD=\"0043003a005c005a004f0056\"", {}, "ERROR"},
        ShapeCase{"AT+NOPE", {}, "ERROR"}, ShapeCase{"AT+EFSL=\"004\"", {}, "ERROR"},
        ShapeCase{"AT+ESUO", {}, "ERROR"}, ShapeCase{"hello", {}, "ERROR"},
        ShapeCase{"A", {}, "ERROR"}, ShapeCase{"ATX", {}, "ERROR"}, ShapeCase{"AT+", {}, "ERROR"},
        ShapeCase{"AT+[]X", {}, "ERROR"}, ShapeCase{"AT+[6a]REBOOT", {}, "ERROR"},
        ShapeCase{"AT+ESUO=", {}, "ERROR"}, ShapeCase{"AT+ESUO?x", {}, "ERROR"},
        ShapeCase{"AT+ESWM=\"1", {}, "ERROR"}, ShapeCase{"AT+EFSL=\"0043003a\"x", {}, "ERROR"},
        ShapeCase{"AT+EFSF=2,,\"00\"", {}, "ERROR"},
        ShapeCase{"AT+CMEE=1234567890123456789", {}, "ERROR"},
        ShapeCase{"AT+CMEE=-123456789012345678", {}, "OK"}, ShapeCase{"AT+CMEE=1x", {}, "ERROR"},
        ShapeCase{"AT+EFSF=3,x", {}, "ERROR"}, ShapeCase{"AT+ESWM=\"1\" ,2", {}, "OK"},
        ShapeCase{"AT+ESUO= 5 ", {}, "OK"}),
    [](const ::testing::TestParamInfo<ShapeCase>& c) {
        return devsim_test::ParamName(c.param.command, c.index);
    });

TEST_F(DeviceSessionTest, FreeSpaceIsReportedForEveryDriveFromAToZ) {
    for (const char* drive : {"67", "90"}) {
        DeviceReply reply = Do(std::string("AT+EFS=") + drive);
        ASSERT_EQ(reply.lines.size(), 1u) << drive;
        EXPECT_GT(std::stoll(reply.lines[0].substr(reply.lines[0].find("+EFS: ") + 6)), 0);
    }
}

// 150 bytes come back in lines of 63; an empty file still gives one line.
TEST_F(DeviceSessionTest, FileIsReadBackInLinesOf63Bytes) {
    std::string content;
    for (int i = 0; i < 150; ++i)
        content += static_cast<char>(i * 7);
    WriteHostFile(m_tmp.Sub("C/b"), content);
    DeviceReply read = Do("AT+EFSR=" + Q("C:\\b"));
    ASSERT_EQ(read.lines.size(), 3u);
    EXPECT_EQ(read.lines[0], "+EFSR: 0,0,63,\"" + BytesToHex(content.substr(0, 63)) + "\"");
    EXPECT_EQ(read.lines[2], "+EFSR: 2,1,24,\"" + BytesToHex(content.substr(126)) + "\"");
    WriteHostFile(m_tmp.Sub("C/e.txt"), "");
    EXPECT_EQ(Do("AT+EFSR=" + Q("C:\\e.txt")).lines, std::vector<std::string>{"+EFSR: 0,1,0,\"\""});
}

struct Step {
    std::string command;
    std::string reply; // its lines and final result joined by '|'; "" for no reply at all
};

struct ScriptCase {
    const char* name;
    std::vector<std::string> options; // as on the devsim command line
    std::vector<Step> steps;
    std::vector<std::pair<std::string, std::string>> after; // host path and content or kAbsent
};

class Script : public DeviceSessionTest, public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(Script, EachCommandGetsItsResultAndTheDrivesEndAsExpected) {
    std::vector<std::string> args = GetParam().options;
    args.insert(args.begin(), {"devsim", "--root", m_tmp.Path()});
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    std::string error;
    ASSERT_TRUE(ParseDeviceOptions(static_cast<int>(argv.size()), argv.data(), m_options, error))
        << error;
    for (const Step& step : GetParam().steps) {
        DeviceReply reply = Do(step.command);
        std::string joined;
        for (const std::string& line : reply.lines)
            joined += line + "|";
        EXPECT_EQ(reply.silent ? "" : joined + reply.final, step.reply) << step.command;
    }
    for (const auto& [path, content] : GetParam().after) {
        if (content == kAbsent)
            EXPECT_FALSE(HostExists(m_tmp.Sub(path))) << path;
        else
            EXPECT_EQ(ReadHostFile(m_tmp.Sub(path)), content) << path;
    }
}

const std::string kOpenW = "AT+EFSW=0," + Q("C:\\w");
const std::string kCloseW = "AT+EFSW=1," + Q("C:\\w");

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, Script, ::testing::Values(
    ScriptCase{"BadChunksWriteNothing", {"--packet-size", "4"},
               {{kOpenW, "OK"}, {"AT+EFSW=2,0,2,\"010\"", "ERROR"},
                {"AT+EFSW=2,0,2,\"0102FF\"", "ERROR"}, {"AT+EFSW=2,0,5,\"0102030405\"", "ERROR"},
                {"AT+EFSW=2,7,1,\"01\"", "ERROR"}, {"AT+EFSW=2,0,1,\"01zz\"", "ERROR"},
                {"AT+EFSW=2,0,-1,\"\"", "ERROR"}, {"AT+EFSW=2,0,0,\"\"", "OK"},
                {"AT+EFSW=2,0,1", "ERROR"},
                {"AT+EFSW=2,1,4,\"9aBcDfA0\"", "OK"}, {"AT+EFSW=1," + Q("C:\\other"), "ERROR"},
                {kCloseW, "OK"}, {"AT+EFSW=2,1,1,\"01\"", "ERROR"}},
               {{"C/w", "\x9A\xBC\xDF\xA0"}}},
    ScriptCase{"RelativeNamesFollowTheCurrentFolder", {},
               {{"AT+EFSF=2," + Q("C:\\ZOV"), "OK"}, {"AT+EFSF=0," + Q("sub"), "OK"},
                {"AT+EFSF=0," + Q("sub"), "ERROR"}, {"AT+EFSF=2," + Q("sub"), "OK"},
                {"AT+EFSF=1," + Q("C:\\ZOV\\sub"), "OK"}, {"AT+EFSF=0," + Q("x"), "OK"},
                {"AT+EFSF=2," + Q("C:\\ZOV"), "OK"},
                {"AT+EFSR=" + Q("a.vxp"), "+EFSR: 0,1,3,\"616263\"|OK"}, {"AT+EFSF=3", "OK"}, {"AT+EFSR=" + Q("a.vxp"), "ERROR"}},
               {{"C/ZOV/sub", kAbsent}, {"C/x", ""}}},
    // Each rule counts the lines it matches: "@2" fails only the second chunk.
    ScriptCase{"FaultRulesAnswerInsteadOfCarryingOut",
               {"--fail", "AT+EFSD=4", "--fail", "^AT$", "--fail", "AT+EFSW=2,@2", "--silent",
                "EFSF=0", "--fail", "E@x"},
               {{"AT+EFSD=" + Q("C:\\ZOV\\a.vxp"), "+CME ERROR: 4"}, {"AT", "ERROR"},
                {"AT+EFSF=0," + Q("C:\\new"), ""}, {"AT+E@x", "ERROR"}, {kOpenW, "OK"},
                {"AT+EFSW=2,0,1,\"41\"", "OK"}, {"AT+EFSW=2,0,1,\"42\"", "ERROR"},
                {"AT+EFSW=2,1,1,\"43\"", "OK"}},
               {{"C/ZOV/a.vxp", "abc"}, {"C/new", kAbsent}, {"C/w", "AC"}}},
    ScriptCase{"UndeletableNameStaysAsFileAndAsFolder", {"--undeletable", "a.vxp",
                "--undeletable", "D"},
               {{"AT+EFSD=" + Q("C:\\ZOV\\a.vxp"), "ERROR"}, {"AT+EFSF=0," + Q("C:\\D"), "OK"},
                {"AT+EFSF=1," + Q("C:\\D"), "ERROR"}, {"AT+EFSW=0," + Q("C:\\A.VXP"), "OK"},
                {"AT+EFSD=" + Q("C:\\A.VXP"), "OK"}},
               {{"C/ZOV/a.vxp", "abc"}, {"C/A.VXP", kAbsent}}},
    ScriptCase{"RebootResetsFolderDtStatusAndOpenFile", {"--dt-status", "6"},
               {{"AT+ESUO=3", "OK"}, {"AT+EFSF=2," + Q("C:\\ZOV"), "OK"}, {kOpenW, "OK"},
                {"AT+[666]REBOOT", "OK"}, {"AT+ESUO?", "+ESUO: 6,0|OK"},
                {"AT+EFSR=" + Q("a.vxp"), "ERROR"}, {"AT+EFSW=2,1,1,\"41\"", "ERROR"}},
               {{"C/w", ""}}},
    ScriptCase{"PacketSizeReportedVerbatim", {"--packet-size", "-5"},
               {{"AT+EFSW?", "+EFSW: -5|OK"}}, {}},
    ScriptCase{"UnsolicitedAtMostEveryMillionth", {"--unsolicited=1000000"}, {{"AT", "OK"}}, {}},
    ScriptCase{"PacketSizeNotReported", {"--packet-size", "none"}, {{"AT+EFSW?", "OK"}}, {}},
    ScriptCase{"UnsolicitedLineAfterTheFirstLineOfEveryThirdReply", {"--unsolicited"},
               {{"AT", "OK"}, {"AT", "OK"},
                {"AT+efsl", "+EFSL: \"0043003A\"|+EIND: 1|+EFSL: \"0044003A\"|+EFSL: \"005A003A\"|OK"},
                {"AT", "OK"}, {"AT", "OK"}, {"AT", "+EIND: 1|OK"}},
               {}}),
    [](const ::testing::TestParamInfo<ScriptCase>& c) { return c.param.name; });
// clang-format on
