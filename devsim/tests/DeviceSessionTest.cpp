// The command table as a client meets it: reply shapes, the write/read round trip,
// folder navigation, fault options and what a reboot resets.
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

class DeviceSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"C", "D", "C/ZOV"})
            ::mkdir(m_tmp.Sub(folder).c_str(), 0755);
        WriteHostFile(m_tmp.Sub("C/ZOV/a.vxp"), "abc");
        std::string error;
        ASSERT_TRUE(m_fs.Open(m_tmp.Path(), error)) << error;
    }

    // The device starts at the first command, with the options set so far.
    DeviceReply Do(const std::string& line) {
        if (!m_session) {
            m_session = std::make_unique<DeviceSession>(m_options, m_fs, m_log);
            m_session->Boot();
        }
        return m_session->Handle(line);
    }

    std::string Final(const std::string& line) { return Do(line).final; }

    static std::string Quoted(const std::string& name) { return "\"" + Ucs2(name) + "\""; }

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

// Names as the upload tool sends them: lower-case UCS-2 digits. C:\ZOV holds a.vxp ("abc").
INSTANTIATE_TEST_SUITE_P(
    Commands, ReplyShape,
    ::testing::Values(
        ShapeCase{"AT", {}, "OK"}, ShapeCase{"at", {}, "OK"}, ShapeCase{"AT+CMEE=1", {}, "OK"},
        ShapeCase{"AT+ESWM=1,-2", {}, "OK"}, ShapeCase{"AT+ESWM=1", {}, "OK"},
        ShapeCase{"AT+CEER", {"+CEER: 0,\"No error\""}, "OK"},

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
        ShapeCase{"AT+efsl", {"+EFSL: \"0043003A\"", "+EFSL: \"0044003A\""}, "OK"},
        ShapeCase{
            "AT+EFSL=\"0043003a005c005a004f0056\"", {"+EFSL: \"0061002E007600780070\",3,0"}, "OK"},
        ShapeCase{"AT+EFSL=\"0044003a\"", {}, "OK"}, ShapeCase{"AT+EFSL=\"0045003a\"", {}, "ERROR"},
        ShapeCase{"AT+EFSL=\"0043003a005c005a004f0056005c0061002e007600780070\"", {}, "ERROR"},
        ShapeCase{"AT+EFS=69", {}, "ERROR"}, ShapeCase{"AT+EFS=91", {}, "ERROR"},
        ShapeCase{"AT+EFSR=\"0043003a005c005a004f0056005c0061002e007600780070\"",
                  {"+EFSR: 0,1,3,\"616263\""},
                  "OK"},
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
        ShapeCase{"AT+CMEE=-123456789012345678", {}, "OK"}, ShapeCase{"AT+ESUO=3a", {}, "ERROR"},
        ShapeCase{"AT+ESUO= 5 ", {}, "OK"}),
    [](const ::testing::TestParamInfo<ShapeCase>& c) {
        return devsim_test::ParamName(c.param.command, c.index);
    });

TEST_F(DeviceSessionTest, FreeSpaceIsReportedPerDriveLetterCode) {
    DeviceReply reply = Do("AT+EFS=67");
    ASSERT_EQ(reply.lines.size(), 1u);
    EXPECT_GT(std::stoll(reply.lines[0].substr(reply.lines[0].find("+EFS: ") + 6)), 0);
}

TEST_F(DeviceSessionTest, ChunkedWriteThenReadGivesTheBytesBack) {
    std::string content;
    for (int i = 0; i < 150; ++i)
        content += static_cast<char>(i * 7);
    std::string name = Quoted("C:\\ZOV\\b.vxp");
    ASSERT_EQ(Final("AT+EFSW=0," + name), "OK");
    for (size_t at = 0; at < content.size(); at += 64) {
        std::string chunk = content.substr(at, 64);
        ASSERT_EQ(
            Final("AT+EFSW=2,0," + std::to_string(chunk.size()) + ",\"" + BytesToHex(chunk) + "\""),
            "OK");
    }
    ASSERT_EQ(Final("AT+EFSW=1," + name), "OK");
    EXPECT_EQ(ReadHostFile(m_tmp.Sub("C/ZOV/b.vxp")), content);
    DeviceReply read = Do("AT+EFSR=" + name);
    ASSERT_EQ(read.lines.size(), 3u) << "63 bytes per line";
    EXPECT_EQ(read.lines[0], "+EFSR: 0,0,63,\"" + BytesToHex(content.substr(0, 63)) + "\"");
    EXPECT_EQ(read.lines[2], "+EFSR: 2,1,24,\"" + BytesToHex(content.substr(126)) + "\"");
    WriteHostFile(m_tmp.Sub("C/e.txt"), "");
    EXPECT_EQ(Do("AT+EFSR=" + Quoted("C:\\e.txt")).lines,
              std::vector<std::string>{"+EFSR: 0,1,0,\"\""});
}

TEST_F(DeviceSessionTest, BadChunksAreRefusedAndWriteNothing) {
    m_options.packetSize = 4;
    ASSERT_EQ(Final("AT+EFSW=0," + Quoted("C:\\w")), "OK");
    for (const char* bad : {"AT+EFSW=2,0,2,\"010\"", "AT+EFSW=2,0,2,\"0102FF\"",
                            "AT+EFSW=2,0,5,\"0102030405\"", "AT+EFSW=2,7,1,\"01\"",
                            "AT+EFSW=2,0,1,\"01zz\"", "AT+EFSW=2,0,-1,\"\"", "AT+EFSW=2,0,1"}) {
        EXPECT_EQ(Final(bad), "ERROR") << bad;
    }
    EXPECT_EQ(Final("AT+EFSW=2,1,4,\"9aBcDfA0\""), "OK") << "hexadecimal digits in either case";
    EXPECT_EQ(Final("AT+EFSW=1," + Quoted("C:\\other")), "ERROR") << "not the open file";
    EXPECT_EQ(Final("AT+EFSW=1," + Quoted("C:\\w")), "OK");
    EXPECT_EQ(ReadHostFile(m_tmp.Sub("C/w")), "\x9A\xBC\xDF\xA0");
    EXPECT_EQ(Final("AT+EFSW=2,1,1,\"01\""), "ERROR") << "no file open";
}

TEST_F(DeviceSessionTest, RelativeNamesFollowTheCurrentFolder) {
    ASSERT_EQ(Final("AT+EFSF=2," + Quoted("C:\\ZOV")), "OK");
    EXPECT_EQ(Final("AT+EFSF=0," + Quoted("sub")), "OK");
    EXPECT_TRUE(HostExists(m_tmp.Sub("C/ZOV/sub")));
    EXPECT_EQ(Final("AT+EFSF=0," + Quoted("sub")), "ERROR") << "exists already";
    ASSERT_EQ(Final("AT+EFSF=2," + Quoted("sub")), "OK");
    EXPECT_EQ(Final("AT+EFSF=1," + Quoted("C:\\ZOV\\sub")), "OK");
    EXPECT_FALSE(HostExists(m_tmp.Sub("C/ZOV/sub")));
    EXPECT_EQ(Final("AT+EFSF=0," + Quoted("x")), "OK") << "the removed folder was left";
    EXPECT_TRUE(HostExists(m_tmp.Sub("C/x")));
    EXPECT_EQ(Final("AT+EFSF=2," + Quoted("C:\\ZOV")), "OK");
    EXPECT_EQ(Final("AT+EFSR=" + Quoted("a.vxp")), "OK");
    EXPECT_EQ(Final("AT+EFSF=3"), "OK");
    EXPECT_EQ(Final("AT+EFSR=" + Quoted("a.vxp")), "ERROR") << "back in the drive root";
}

// Each rule counts the lines it matches: "@2" fails only the second chunk.
TEST_F(DeviceSessionTest, FaultRulesAnswerInsteadOfCarryingOut) {
    std::string error;
    m_options.failRules.resize(3);
    m_options.silentRules.resize(1);
    ASSERT_TRUE(m_options.failRules[0].Parse("AT+EFSD=4", true, error));
    ASSERT_TRUE(m_options.failRules[1].Parse("^AT$", true, error));
    ASSERT_TRUE(m_options.failRules[2].Parse("AT+EFSW=2,@2", true, error));
    ASSERT_TRUE(m_options.silentRules[0].Parse("EFSF=0", false, error));
    EXPECT_EQ(Final("AT+EFSD=" + Quoted("C:\\ZOV\\a.vxp")), "+CME ERROR: 4");
    EXPECT_TRUE(HostExists(m_tmp.Sub("C/ZOV/a.vxp")));
    EXPECT_EQ(Final("AT"), "ERROR");
    EXPECT_TRUE(Do("AT+EFSF=0," + Quoted("C:\\new")).silent);
    EXPECT_FALSE(HostExists(m_tmp.Sub("C/new")));
    ASSERT_EQ(Final("AT+EFSW=0," + Quoted("C:\\p")), "OK");
    EXPECT_EQ(Final("AT+EFSW=2,0,1,\"41\""), "OK");
    EXPECT_EQ(Final("AT+EFSW=2,0,1,\"42\""), "ERROR");
    EXPECT_EQ(Final("AT+EFSW=2,1,1,\"43\""), "OK");
    EXPECT_EQ(ReadHostFile(m_tmp.Sub("C/p")), "AC");
}

TEST_F(DeviceSessionTest, UndeletableNameStaysAsFileAndAsFolder) {
    m_options.undeletable = {"a.vxp", "ZOV"};
    EXPECT_EQ(Final("AT+EFSD=" + Quoted("C:\\ZOV\\a.vxp")), "ERROR");
    EXPECT_TRUE(HostExists(m_tmp.Sub("C/ZOV/a.vxp")));
    WriteHostFile(m_tmp.Sub("C/ZOV/A.VXP"), "x");
    EXPECT_EQ(Final("AT+EFSD=" + Quoted("C:\\ZOV\\A.VXP")), "OK") << "exact name only";
    ::mkdir(m_tmp.Sub("D/ZOV").c_str(), 0755);
    EXPECT_EQ(Final("AT+EFSF=1," + Quoted("D:\\ZOV")), "ERROR");
    EXPECT_TRUE(HostExists(m_tmp.Sub("D/ZOV")));
}

TEST_F(DeviceSessionTest, PacketSizeOptionIsReportedVerbatimOrNotAtAll) {
    m_options.packetSize = -5;
    EXPECT_EQ(Do("AT+EFSW?").lines, std::vector<std::string>{"+EFSW: -5"});
    m_options.answerPacketSize = false;
    EXPECT_TRUE(Do("AT+EFSW?").lines.empty());
}

TEST_F(DeviceSessionTest, UnsolicitedLineJoinsEveryNthReplyAfterItsFirstLine) {
    m_options.unsolicitedEvery = 2;
    EXPECT_TRUE(Do("AT").lines.empty());
    EXPECT_EQ(Do("AT").lines, std::vector<std::string>{"+EIND: 1"});
    Do("AT");
    EXPECT_EQ(Do("AT+EFSL").lines,
              (std::vector<std::string>{"+EFSL: \"0043003A\"", "+EIND: 1", "+EFSL: \"0044003A\""}));
}

TEST_F(DeviceSessionTest, RebootResetsFolderDtStatusAndOpenFile) {
    m_options.dtStatus = 6;
    ASSERT_EQ(Final("AT+ESUO=3"), "OK");
    ASSERT_EQ(Final("AT+EFSF=2," + Quoted("C:\\ZOV")), "OK");
    ASSERT_EQ(Final("AT+EFSW=0," + Quoted("C:\\up")), "OK");
    ASSERT_EQ(Final("AT+[666]REBOOT"), "OK");
    EXPECT_EQ(Do("AT+ESUO?").lines, std::vector<std::string>{"+ESUO: 6,0"});
    EXPECT_EQ(Final("AT+EFSR=" + Quoted("a.vxp")), "ERROR") << "current folder is the root again";
    EXPECT_EQ(Final("AT+EFSW=2,1,1,\"41\""), "ERROR") << "the open file was closed";
}
