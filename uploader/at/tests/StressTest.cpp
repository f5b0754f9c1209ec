// Many commands back to back against a peer that answers at once: every command ends with its
// own answer, the caller woken exactly once each time.
#include "EngineFixture.h"
#include "comm_func.h"

namespace {

const int kCommands = 2000;
const int kRacingCommands = 1000;
const int kFiresAtOnce = 0;
const int kOrdinaryTimeout = 3000;

class EngineStress : public Engine {};

TEST_F(EngineStress, CommandsBackToBackEachWakeTheCallerOnce) {
    peer.answerEveryLine("\r\n+ESUO: 3,1\r\n\r\nOK\r\n");
    int failures = 0;
    for (int i = 0; i < kCommands; ++i) {
        ATResult reply;
        int code = ME_Query_DT_Status(ctx, nullptr, &reply);
        // A doubled wake-up would end a later command before its own answer: fewer lines.
        if (code != 0 || reply.vParamLst.size() != 1 || reply.get_integer(0, 1) != 3)
            ++failures;
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(peer.linesAnswered(), kCommands);
}

// Timeouts that fire at once alternate with ordinary ones against a peer that answers within
// microseconds: the timer thread, the reader and the caller end commands at the same moments, and
// the answer of a timed-out command ends the next one. Every command must still return, with
// either its answer or the timeout, and the context must end idle.
TEST_F(EngineStress, TimeoutsRacingTheAnswersNeverHangACommand) {
    peer.answerEveryLine("\r\nOK\r\n");
    int unexpected = 0;
    for (int i = 0; i < kRacingCommands; ++i) {
        ATResult reply;
        int code = ME_Fill_FSM(ctx, nullptr, &reply, ME_Set_ModemFunc_CB, "AT\r", nullptr,
                               i % 2 == 0 ? kFiresAtOnce : kOrdinaryTimeout);
        if (code != ME_RESULT_OK && code != ME_RESULT_TIMEOUT)
            ++unexpected;
    }
    EXPECT_EQ(unexpected, 0);
}

} // namespace
