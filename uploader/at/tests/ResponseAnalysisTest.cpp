// Response analysis: prefix filtering, the response lock around the start of a command and its
// end events, and timeouts.
#include <gtest/gtest.h>

#include <thread>

#include "ChildProcess.h"
#include "ContextFixture.h"
#include "PtyPeer.h"
#include "SerialPort.h"
#include "comm_func.h"
#include "comm_func_cb.h"
#include "comm_parser.h"
#include "TableRow.h"

namespace {

TEST(ResponseAnalysis, PrefixDecidesWhichLinesReachTheParser) {
    TestContext t;
    t.begin(ME_Get_DT_status_CB, "+ESUO");
    t.feed("\r\n+ESUOX: 1\r\n\r\n+ESU: 5\r\n\r\nRING\r\n\r\n+ESUO: ,1234567890\r\n");
    ASSERT_EQ(t.result.vParamLst.size(), 2u);
    EXPECT_EQ(t.result.get_integer(1, 1), 0);          // an empty number field
    EXPECT_EQ(t.result.get_integer(1, 2), 1234567890); // every digit
    EXPECT_EQ(t.result.get_integer(1, 3), -1);         // past the line's last field
    EXPECT_EQ(t.wakes, 0); // information lines leave the command running
    std::string text;
    EXPECT_FALSE(t.result.get_string(text, 1, 1)); // a number is no text
    t.begin(ME_Get_DirFileListInfo_CB, "+EFSL");   // a text field longer than its buffer is cut
    t.feed("\r\n+EFSL: \"" + std::string(ME_LIST_NAME_MAX + 1, 'a') + "\",1,0\r\n");
    EXPECT_TRUE(t.result.get_string(text, 2, 1));
    EXPECT_EQ(text, std::string(ME_LIST_NAME_MAX, 'a'));
    t.feed("\r\n+EFSL: ,5\r\n"); // no opening quote: no name
    EXPECT_TRUE(t.result.get_string(text, 3, 1));
    EXPECT_EQ(text, "");
}

// Whether another thread finds the lock taken.
bool lockHeld(tagOSALLOCK* lock) {
    bool held = false;
    std::thread([&] {
        held = pthread_mutex_trylock(&lock->m_Mutex) != 0;
        if (!held)
            pthread_mutex_unlock(&lock->m_Mutex);
    }).join();
    return held;
}

bool responseLockHeld(void* context) {
    return lockHeld(&static_cast<tagMEFSM*>(context)->m_RespLock);
}

bool lockWasHeld = false;

const auto kReadDeadline = std::chrono::seconds(10);

// A command context on a real line to a device played by a PtyPeer; what the commands print is
// kept from the test output and handed back by stop().
class OnALine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GE(port.Init_Port(device.slavePath().c_str()), 0);
        context = ME_Init(&port);
        port.SetCallBack(DataCallBack, context);
        ::testing::internal::CaptureStdout();
    }
    tagMEFSM& fsm() { return *static_cast<tagMEFSM*>(context); }
    std::string stop() {
        port.Deinit_Port();
        EXPECT_TRUE(ME_DeInit(context));
        return ::testing::internal::GetCapturedStdout();
    }
    PtyPeer device; // without a script it answers nothing and notes every line it reads
    CommModule port;
    void* context = nullptr;
};

// A silent device: a command waits for the command before it and for the analysis of a line in
// progress; each command ends by its timeout, and after two timeouts the next one ends at once,
// unsent, leaving the command lock free for the next caller.
TEST_F(OnALine, SilentDeviceCostsTwoTimeoutsThenCommandsEndUnsent) {
    auto silentCommand = [&] {
        EXPECT_EQ(ME_Fill_FSM(context, nullptr, nullptr, ME_Set_ModemFunc_CB, "AT\r", nullptr, 1),
                  ME_RESULT_TIMEOUT);
    };
    std::string sent;
    for (tagOSALLOCK* lock : {&fsm().m_CmdLock, &fsm().m_RespLock}) {
        me_lock(lock);
        std::thread command(silentCommand);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(device.failures(), sent) << "sent while its lock was held";
        me_unlock(lock);
        command.join();
        sent += "unexpected line: AT\r\n";
    }
    silentCommand();
    EXPECT_FALSE(lockHeld(&fsm().m_CmdLock));
    std::string printed = stop();
    EXPECT_NE(printed.find("Time out call back\n[medrv]: Kill timer, event is AT_TIMEOUT\n"),
              std::string::npos)
        << printed;
    // The device reads what was sent in its own time; and no third command.
    Eventually([&] { return device.failures() == sent; }, kReadDeadline);
    EXPECT_EQ(device.failures(), sent);
}

// A removal waits one millisecond more per 4 MiB of the file; a free-space query its seconds.
TEST_F(OnALine, TimeoutsGrowWithTheFileAndFollowTheirSeconds) {
    device.script({{"AT+EFSD=\"x\"\r", kPeerOk}, {"AT+EFS=67\r", PeerReply({"+EFS: 5"})}});
    ATResult result;
    EXPECT_EQ(ME_RemoveTargetFile(context, "x", 8ul << 20, nullptr, &result), ME_RESULT_OK);
    EXPECT_EQ(fsm().m_nTimeout, ME_TIMEOUT_REMOVE_FILE + 2);
    EXPECT_EQ(ME_GetAvailableSize(context, 'C', 30, nullptr, &result), ME_RESULT_OK);
    EXPECT_EQ(fsm().m_nTimeout, 30000);
    stop();
}

// Timeouts, failed writes and information lines are analysed under the response lock, so that
// the reader, the timer and the caller never analyse at once.
struct EventCase : test_table::Row {
    void (*deliver)(void* context);
    int code;
};

class EndEvent : public ::testing::TestWithParam<EventCase> {};

TEST_P(EndEvent, IsAnalysedUnderTheResponseLock) {
    TestContext t;
    t.begin([](void* c) { lockWasHeld = responseLockHeld(c), ME_Set_ModemFunc_CB(c); }, nullptr);
    std::strcpy(t.ctx->m_LineBuf, "+X: 1");
    lockWasHeld = false;
    GetParam().deliver(t.ctx.get());
    EXPECT_TRUE(lockWasHeld);
    EXPECT_FALSE(responseLockHeld(t.ctx.get())); // and given back
    EXPECT_EQ(t.result.resultcode, GetParam().code);
}

// An information line whose parser notes whether it runs under the lock.
void informationLine(void* c) {
    ME_Singleline_Response_Parser(c, 0, [](void* p, void*) { lockWasHeld = responseLockHeld(p); });
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Events, EndEvent, ::testing::Values(
    EventCase{"Timeout", TimeoutProc, ME_RESULT_TIMEOUT},
    EventCase{"WriteFailed", [](void* c) { TX_Callback(0, 3, c); }, ME_RESULT_ERROR},
    EventCase{"LineLost", ME_LineLost, ME_RESULT_ERROR},
    EventCase{"InformationLine", informationLine, 0}),
    test_table::ByName());
// clang-format on

} // namespace
