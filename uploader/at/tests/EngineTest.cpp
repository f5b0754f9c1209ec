// The engine end to end: command functions over the real serial port on a pseudo-terminal,
// answered by a scripted peer thread.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "EngineFixture.h"
#include "TrellupUtility.h"
#include "comm_func.h"

namespace {

// The tool's log, opened in a fresh temporary folder for one test.
class LogCapture {
public:
    LogCapture() {
        std::string pattern = (std::filesystem::temp_directory_path() / "engine-log-XXXXXX");
        m_folder = mkdtemp(&pattern[0]) != nullptr ? pattern : "";
        m_open = !m_folder.empty() && openLogFileAt(m_folder.c_str());
    }
    ~LogCapture() {
        closeLogFile();
        if (!m_folder.empty())
            std::filesystem::remove_all(m_folder);
    }
    bool open() const { return m_open; }
    // Closes the log and returns everything written to it.
    std::string text() {
        closeLogFile();
        std::string all;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream content;
            content << in.rdbuf();
            all += content.str();
        }
        return all;
    }

private:
    std::string m_folder;
    bool m_open = false;
};

struct ReplyCase {
    const char* reply;
    int code;
};

void PrintTo(const ReplyCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(std::string(c.reply));
}

class EngineReply : public Engine, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(EngineReply, CheckAtReturnsTheCodeOfTheFinalLine) {
    peer.script({{"AT\r", GetParam().reply}});
    EXPECT_EQ(ME_Check_AT(ctx, nullptr, &result), GetParam().code);
    EXPECT_EQ(result.resultcode, GetParam().code);
    EXPECT_EQ(context()->m_nCmdState.load(), ME_STATE_IDLE);
}

INSTANTIATE_TEST_SUITE_P(Replies, EngineReply,
                         ::testing::Values(ReplyCase{"AT\r\r\nOK\r\n", 0},
                                           ReplyCase{"\r\nERROR\r\n", 100},
                                           ReplyCase{"\r\n+CME ERROR: 21\r\n", 21},
                                           ReplyCase{"\r\n+CMS ERROR: 300\r\n", 300}));

TEST_F(Engine, ListingKeepsOnlyLinesWithTheExpectedPrefix) {
    peer.script(
        {{"AT+EFSL=\"0043\"\r",
          "\r\n+EFSL: \"0041\",1,\r\n\r\n+CIEV: 1\r\n\r\n+EFSL: \"0042\",2,\r\n\r\nOK\r\n"}});
    EXPECT_EQ(ME_GetDirFileListInfo(ctx, "C", nullptr, &result), 0);
    ASSERT_EQ(result.vParamLst.size(), 2u);
    EXPECT_EQ(result.get_integer(0, 2), 1);
    EXPECT_EQ(result.get_integer(1, 2), 2);
}

TEST_F(Engine, CommandLinesOfTheCommandSet) {
    const unsigned char data[] = {0x01, 0xAB, 0xFF};
    std::string longName(100, 'a');
    std::string longEncoded;
    for (size_t i = 0; i < longName.size(); ++i)
        longEncoded += "0061";
    peer.script({{"AT+ESWM=1\r", "\r\nOK\r\n"},
                 {"AT+ESWM=1,2\r", "\r\nOK\r\n"},
                 {"AT+EFSF=3\r", "\r\nOK\r\n"},
                 {"AT+EFSF=2,\"0041002e0076\"\r", "\r\nOK\r\n"},
                 {"AT+EFSW=2,1,3,\"01ABFF\"\r", "\r\nOK\r\n"},
                 {"AT+EFSW=2,1,0,\"\"\r", "\r\nOK\r\n"},
                 {"AT+EFSW=2,0,3,\"01ABFF\"\r", "\r\nOK\r\n"},
                 {"AT+EFSD=\"0041\"\r", "\r\nOK\r\n"},
                 {"AT+EFSF=0,\"\"\r", "\r\nOK\r\n"},
                 {"AT+EFSR=\"" + longEncoded + "\"\r", "\r\nOK\r\n"},
                 {"AT+ESUO?\r", "\r\n+ESUO: 3,0\r\n\r\nOK\r\n"}});
    EXPECT_EQ(ME_Set_SwitchMode(ctx, 1, -1, nullptr, &result), 0);
    EXPECT_EQ(ME_Set_SwitchMode(ctx, 1, 2, nullptr, &result), 0);
    EXPECT_EQ(ME_FolderOpertiaon(ctx, 3, nullptr, nullptr, &result), 0);
    EXPECT_EQ(ME_FolderOpertiaon(ctx, 2, "A.v", nullptr, &result), 0);
    EXPECT_EQ(ME_WriteTargetFile(ctx, 3, 64, data, nullptr, &result), 0);
    EXPECT_EQ(ME_WriteTargetFile(ctx, 0, 64, data, nullptr, &result), 0);
    EXPECT_EQ(ME_WriteTargetFile(ctx, 3, 3, data, nullptr, &result), 0);
    EXPECT_EQ(ME_RemoveTargetFile(ctx, "0041", 0, nullptr, &result), 0);
    EXPECT_EQ(ME_CreateDir(ctx, nullptr, nullptr, &result), 0);
    EXPECT_EQ(ME_ReadTargetFile(ctx, longName.c_str(), 3000, nullptr, &result), 0);
    result.clear();
    EXPECT_EQ(ME_Query_DT_Status(ctx, nullptr, &result), 0);
    EXPECT_EQ(result.get_integer(0, 1), 3);
    EXPECT_TRUE(peer.waitScriptDone(1000));
}

TEST_F(Engine, SilentPeerTimesOutAndLeavesTheContextReady) {
    LogCapture log;
    ASSERT_TRUE(log.open());
    peer.script({{"AT\r", ""}, {"AT\r", "\r\n+CME ERROR: 21\r\n"}});
    EXPECT_EQ(ME_Fill_FSM(ctx, nullptr, &result, ME_Set_ModemFunc_CB, "AT\r", nullptr, 50),
              ME_RESULT_TIMEOUT);
    EXPECT_NE(log.text().find("\r\n[error] time out\r\n"), std::string::npos);
    EXPECT_EQ(context()->m_nCmdState.load(), ME_STATE_IDLE);
    EXPECT_EQ(ME_Check_AT(ctx, nullptr, &result), 21);
}

TEST_F(Engine, InformationLinesStayAfterATimeout) {
    peer.script({{"AT+EFSW?\r", "\r\n+EFSW: 1024\r\n"}});
    EXPECT_EQ(ME_Fill_FSM(ctx, nullptr, &result, ME_GetPacketSize_CB, "AT+EFSW?\r", "+EFSW", 100),
              ME_RESULT_TIMEOUT);
    EXPECT_EQ(result.get_integer(0, 1), 1024);
}

TEST_F(Engine, FailedWriteEndsAtOnceWithError) {
    LogCapture log;
    ASSERT_TRUE(log.open());
    peer.hangUp();
    EXPECT_EQ(ME_Fill_FSM(ctx, nullptr, &result, ME_Set_ModemFunc_CB, "AT\r", nullptr, 600000),
              ME_RESULT_ERROR);
    EXPECT_EQ(context()->m_nCmdState.load(), ME_STATE_IDLE);
    EXPECT_NE(log.text().find("\r\n[error] failed to write\r\n"), std::string::npos);
}

TEST_F(Engine, NullContextIsRefused) {
    EXPECT_EQ(ME_Check_AT(nullptr, nullptr, &result), ME_RESULT_ERROR);
    EXPECT_FALSE(ME_DeInit(nullptr));
}

} // namespace
