// Many commands back to back against a peer that answers at once: every command ends with its
// own answer, the caller woken exactly once each time.
#include <gtest/gtest.h>

#include "ATResult.h"
#include "PtyPeer.h"
#include "SerialPort.h"
#include "comm_func.h"
#include "comm_func_cb.h"

namespace {

const int kCommands = 10000;
const int kRacingCommands = 2000;
const int kFiresAtOnce = 0;
const int kOrdinaryTimeout = 3000;

TEST(EngineStress, TenThousandCommandsEachWakeTheCallerOnce) {
    PtyPeer peer;
    CommModule port;
    ASSERT_GE(port.Init_Port(peer.slavePath().c_str()), 0);
    void* ctx = ME_Init(&port);
    port.SetCallBack(DataCallBack, ctx);
    peer.answerEveryLine("\r\n+ESUO: 3,1\r\n\r\nOK\r\n");
    int failures = 0;
    for (int i = 0; i < kCommands; ++i) {
        ATResult result;
        int code = ME_Query_DT_Status(ctx, nullptr, &result);
        // A doubled wake-up would end a later command before its own answer: fewer lines.
        if (code != 0 || result.vParamLst.size() != 1 || result.get_integer(0, 1) != 3)
            ++failures;
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(peer.linesAnswered(), kCommands);
    port.Deinit_Port();
    EXPECT_TRUE(ME_DeInit(ctx));
}

// Timeouts that fire at once alternate with ordinary ones against a peer that answers within
// microseconds: the timer thread, the reader and the caller end commands at the same moments, and
// the answer of a timed-out command ends the next one. Every command must still return, with
// either its answer or the timeout, and the context must end idle.
TEST(EngineStress, TimeoutsRacingTheAnswersNeverHangACommand) {
    PtyPeer peer;
    CommModule port;
    ASSERT_GE(port.Init_Port(peer.slavePath().c_str()), 0);
    void* ctx = ME_Init(&port);
    port.SetCallBack(DataCallBack, ctx);
    peer.answerEveryLine("\r\nOK\r\n");
    int unexpected = 0;
    for (int i = 0; i < kRacingCommands; ++i) {
        ATResult result;
        int code = ME_Fill_FSM(ctx, nullptr, &result, ME_Set_ModemFunc_CB, "AT\r", nullptr,
                               i % 2 == 0 ? kFiresAtOnce : kOrdinaryTimeout);
        if (code != ME_RESULT_OK && code != ME_RESULT_TIMEOUT)
            ++unexpected;
    }
    EXPECT_EQ(unexpected, 0);
    port.Deinit_Port();
    EXPECT_TRUE(ME_DeInit(ctx));
}

} // namespace
