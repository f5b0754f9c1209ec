// The engine end to end: command functions over the real serial port on a pseudo-terminal,
// answered by a scripted peer thread.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

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

TEST_F(Engine, EachCommandSendsItsLineAndReturnsTheCodeOfTheFinalLine) {
    const unsigned char data[] = {0x01, 0xAB, 0xFF};
    std::string longName(100, 'a'), longEncoded;
    for (size_t i = 0; i < longName.size(); ++i)
        longEncoded += "0061";
    peer.script({{"AT+EFSF=3\r", "AT+EFSF=3\r\r\nOK\r\n"},
                 {"AT+EFSF=2,\"0041002e0076\"\r", "\r\n+CME ERROR: 21\r\n"},
                 {"AT+EFSW=2,1,3,\"01ABFF\"\r", "\r\nERROR\r\n"},
                 {"AT+EFSW=2,1,0,\"\"\r", "\r\n+CMS ERROR: 300\r\n"},
                 {"AT+EFSW=2,0,3,\"01ABFF\"\r", "\r\nOK\r\n"},
                 {"AT+EFSD=\"0041\"\r", "\r\nOK\r\n"},
                 {"AT+EFS=67\r", "\r\n+EFS: 4096\r\n\r\nOK\r\n"},
                 {"AT+EFSF=0,\"\"\r", "\r\nOK\r\n"},
                 {"AT+EFSR=\"" + longEncoded + "\"\r", "\r\nOK\r\n"},
                 {"AT+ESUO?\r", "\r\n+ESUO: 3,0\r\n\r\nOK\r\n"}});
    EXPECT_EQ(ME_FolderOpertiaon(ctx, 3, nullptr, nullptr, &result), 0);
    EXPECT_EQ(ME_FolderOpertiaon(ctx, 2, "A.v", nullptr, &result), 21);
    EXPECT_EQ(ME_WriteTargetFile(ctx, 3, 64, data, nullptr, &result), ME_RESULT_ERROR);
    EXPECT_EQ(ME_WriteTargetFile(ctx, 0, 64, data, nullptr, nullptr), 300);
    EXPECT_EQ(ME_WriteTargetFile(ctx, 3, 3, data, nullptr, &result), 0);
    EXPECT_EQ(ME_RemoveTargetFile(ctx, "0041", 3ul << 22, nullptr, &result), 0);
    EXPECT_EQ(context()->m_nTimeout, 15003); // one more millisecond per 4 MiB
    EXPECT_EQ(ME_GetAvailableSize(ctx, 'C', 2, nullptr, &result), 0);
    EXPECT_EQ(context()->m_nTimeout, 2000);
    EXPECT_EQ(result.get_integer(0, 1), 4096);
    EXPECT_EQ(ME_CreateDir(ctx, nullptr, nullptr, &result), 0);
    EXPECT_EQ(ME_ReadTargetFile(ctx, longName.c_str(), 3000, nullptr, &result), 0);
    result.clear();
    EXPECT_EQ(ME_Query_DT_Status(ctx, nullptr, &result), 0);
    EXPECT_EQ(result.get_integer(0, 1), 3);
    EXPECT_TRUE(peer.waitScriptDone(1000));
}

TEST_F(Engine, ExpectedPrefixIsCutToFifteenCharacters) {
    peer.script({{"AT+X\r", "\r\n+ABCDEFGHIJKLMN: 7\r\n\r\nOK\r\n"}});
    EXPECT_EQ(ME_Fill_FSM(ctx, nullptr, &result, ME_GetPacketSize_CB, "AT+X\r",
                          "+ABCDEFGHIJKLMNOPQRST", 3000),
              0);
    EXPECT_EQ(result.get_integer(0, 1), 7);
}

// A timeout keeps the lines that came and leaves the context ready; a write that fails ends at
// once. Both say so in the log.
TEST_F(Engine, TimeoutAndFailedWriteEndTheCommandAndAreLogged) {
    LogCapture log;
    ASSERT_TRUE(log.open());
    peer.script({{"AT+EFSW?\r", "\r\n+EFSW: 1024\r\n"}, {"AT\r", "\r\nOK\r\n"}});
    EXPECT_EQ(ME_Fill_FSM(ctx, nullptr, &result, ME_GetPacketSize_CB, "AT+EFSW?\r", "+EFSW", 50),
              ME_RESULT_TIMEOUT);
    EXPECT_EQ(result.get_integer(0, 1), 1024);
    EXPECT_EQ(ME_Check_AT(ctx, nullptr, &result), 0);
    peer.hangUp();
    EXPECT_EQ(ME_Fill_FSM(ctx, nullptr, &result, ME_Set_ModemFunc_CB, "AT\r", nullptr, 600000),
              ME_RESULT_ERROR);
    std::string text = log.text();
    EXPECT_NE(text.find("\r\n[error] time out\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n[error] failed to write\r\n"), std::string::npos);
}

// A second caller waits for the command in progress (here until it times out) instead of being
// refused or interleaving its command with it.
TEST_F(Engine, SecondCallerWaitsForTheCommandInProgress) {
    peer.script({{"AT+A\r", ""}, {"AT\r", "\r\nOK\r\n"}});
    int first = -1;
    std::thread caller([&] {
        first = ME_Fill_FSM(ctx, nullptr, nullptr, ME_Set_ModemFunc_CB, "AT+A\r", nullptr, 200);
    });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (peer.linesAnswered() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_EQ(ME_Check_AT(ctx, nullptr, &result), 0);
    caller.join();
    EXPECT_EQ(first, ME_RESULT_TIMEOUT);
}

TEST_F(Engine, CommandIsRefusedWithoutContextOrWhileAnotherRuns) {
    EXPECT_EQ(ME_Check_AT(nullptr, nullptr, &result), ME_RESULT_ERROR);
    EXPECT_FALSE(ME_DeInit(nullptr));
    context()->m_nCmdState = ME_STATE_BUSY;
    EXPECT_EQ(ME_Check_AT(ctx, nullptr, &result), ME_RESULT_ERROR);
    EXPECT_FALSE(ME_DeInit(ctx));
    context()->m_nCmdState = ME_STATE_IDLE;
}

} // namespace
