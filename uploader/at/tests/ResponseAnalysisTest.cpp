// Response analysis: final results and their codes, prefix filtering, end reasons, and the
// single hand-over of the caller's wake-up between the end of a command and its write.
#include <gtest/gtest.h>

#include "ContextFixture.h"
#include "comm_func_cb.h"

namespace {

struct FinalCase {
    const char* line;
    int code;
};

void PrintTo(const FinalCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(std::string(c.line));
}

class FinalResult : public ::testing::TestWithParam<FinalCase> {};

TEST_P(FinalResult, EndsTheCommandWithItsCode) {
    TestContext t;
    t.begin(ME_Set_ModemFunc_CB, "+EFSL");
    t.feed(std::string("\r\n") + GetParam().line + "\r\n");
    EXPECT_EQ(t.ctx->m_nCmdState.load(), ME_STATE_IDLE);
    EXPECT_EQ(t.result.resultcode, GetParam().code);
    EXPECT_EQ(t.wakes, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FinalResult,
    ::testing::Values(FinalCase{"OK", 0}, FinalCase{"OKAY", 0}, FinalCase{"CONNECT 115200", 0},
                      FinalCase{"ERROR", 100}, FinalCase{"+CME ERROR: 21", 21},
                      FinalCase{"+CME ERROR: 4", 4}, FinalCase{"+CMS ERROR: 4", 4},
                      FinalCase{"+CME ERROR: 0", 0}, FinalCase{"+CME ERROR:", 0}));

TEST(ResponseAnalysis, PrefixDecidesWhichLinesReachTheParser) {
    TestContext t;
    t.begin(ME_Get_DirFileListInfo_CB, "+EFSL");
    t.feed("\r\n+EFSL: \"0041\",1,\r\n\r\n+EFS: 5\r\n\r\n+EFSLX: \"0042\",2\r\n\r\nRING\r\n");
    EXPECT_EQ(t.result.vParamLst.size(), 2u);
    EXPECT_EQ(t.ctx->m_nCmdState.load(), ME_STATE_BUSY);
    EXPECT_EQ(t.wakes, 0);
}

TEST(ResponseAnalysis, ShortPrefixAcceptsLongerKeys) {
    TestContext t;
    t.begin(ME_Get_AvailableSize_CB, "+EFS");
    t.feed("\r\n+EFSL: 1\r\n\r\n+EFSW: 2\r\n\r\nOK\r\n");
    EXPECT_EQ(t.result.vParamLst.size(), 2u);
    EXPECT_EQ(t.result.resultcode, 0);
}

TEST(ResponseAnalysis, InformationLinesWithoutPrefixAndParserAreIgnored) {
    TestContext t;
    t.begin(ME_Set_ModemFunc_CB, nullptr);
    t.feed("\r\n+ESUO: 3\r\n\r\nOK\r\n");
    EXPECT_TRUE(t.result.vParamLst.empty());
    EXPECT_EQ(t.result.resultcode, 0);
}

struct ReasonCase {
    int reason;
    int code;
};

void PrintTo(const ReasonCase& c, std::ostream* out) {
    *out << "reason " << c.reason;
}

class EndReason : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(EndReason, EndsWithoutLookingAtTheLineAndKeepsEarlierLines) {
    TestContext t;
    t.begin(ME_Get_DirFileListInfo_CB, "+EFSL");
    t.feed("\r\n+EFSL: \"0041\",1,\r\n");
    t.setLine("OK");
    t.ctx->m_nEndReason = GetParam().reason;
    ME_Get_DirFileListInfo_CB(t.ctx.get());
    EXPECT_EQ(t.result.resultcode, GetParam().code);
    EXPECT_EQ(t.result.vParamLst.size(), 1u);
    EXPECT_EQ(t.wakes, 1);
}

INSTANTIATE_TEST_SUITE_P(Reasons, EndReason,
                         ::testing::Values(ReasonCase{AT_TIMEOUT, ME_RESULT_TIMEOUT},
                                           ReasonCase{AT_WRITE_FAIL, ME_RESULT_ERROR},
                                           ReasonCase{AT_CANCEL, ME_RESULT_CANCELLED}));

TEST(ResponseAnalysis, AnswerBeforeWriteCompletionWakesOnceAfterTheWrite) {
    TestContext t;
    t.begin(ME_Set_ModemFunc_CB, nullptr, false);
    t.feed("\r\nERROR\r\n");
    EXPECT_EQ(t.ctx->m_nCmdState.load(), ME_STATE_IDLE);
    EXPECT_EQ(t.wakes, 0);
    TX_Callback(1, 3, t.ctx.get());
    EXPECT_EQ(t.wakes, 1);
    EXPECT_EQ(t.result.resultcode, 100);
    // Nothing afterwards can wake the caller a second time.
    TX_Callback(1, 3, t.ctx.get());
    t.feed("\r\nOK\r\n");
    TimeoutProc(t.ctx.get());
    EXPECT_EQ(t.wakes, 1);
    EXPECT_EQ(t.result.resultcode, 100);
}

TEST(ResponseAnalysis, FailedWriteEndsTheCommandAtOnce) {
    TestContext t;
    t.begin(ME_Set_ModemFunc_CB, nullptr, false);
    TX_Callback(0, 3, t.ctx.get());
    EXPECT_EQ(t.result.resultcode, 100);
    EXPECT_EQ(t.wakes, 1);
}

TEST(ResponseAnalysis, TimeoutAfterTheEndDoesNothing) {
    TestContext t;
    t.begin(ME_Set_ModemFunc_CB, nullptr);
    t.feed("\r\nOK\r\n");
    TimeoutProc(t.ctx.get());
    EXPECT_EQ(t.result.resultcode, 0);
    EXPECT_EQ(t.wakes, 1);
}

TEST(ResponseAnalysis, FinalLineAfterATimeoutIsDroppedWhenNoCommandRuns) {
    TestContext t;
    t.begin(ME_Set_ModemFunc_CB, nullptr);
    TimeoutProc(t.ctx.get());
    t.feed("\r\nOK\r\n");
    EXPECT_EQ(t.result.resultcode, ME_RESULT_TIMEOUT);
    EXPECT_EQ(t.wakes, 1);
}

TEST(ResponseAnalysis, FinalLineAfterATimeoutEndsTheNextCommand) {
    TestContext t;
    t.begin(ME_Set_ModemFunc_CB, nullptr);
    TimeoutProc(t.ctx.get());
    ATResult next;
    t.begin(ME_Set_ModemFunc_CB, nullptr);
    t.ctx->m_pResult = &next;
    t.feed("\r\n+CME ERROR: 21\r\n");
    EXPECT_EQ(t.result.resultcode, ME_RESULT_TIMEOUT);
    EXPECT_EQ(next.resultcode, 21);
    EXPECT_EQ(t.wakes, 2);
}

TEST(ResponseAnalysis, TimerFiringLongBeforeTheDeadlineIsTheLastCommandsAndIgnored) {
    TestContext t;
    t.begin(ME_Set_ModemFunc_CB, nullptr);
    t.ctx->m_StartTime = std::chrono::steady_clock::now();
    t.ctx->m_nTimeout = 60000;
    TimeoutProc(t.ctx.get());
    EXPECT_EQ(t.ctx->m_nCmdState.load(), ME_STATE_BUSY);
    EXPECT_EQ(t.wakes, 0);
    t.ctx->m_StartTime -= std::chrono::milliseconds(60000);
    TimeoutProc(t.ctx.get());
    EXPECT_EQ(t.result.resultcode, ME_RESULT_TIMEOUT);
    EXPECT_EQ(t.wakes, 1);
}

TEST(ResponseAnalysis, CancelEndsTheRunningCommand) {
    TestContext t;
    t.begin(ME_Set_ModemFunc_CB, nullptr);
    EXPECT_TRUE(ME_Cancel(t.ctx.get()));
    EXPECT_EQ(t.result.resultcode, ME_RESULT_CANCELLED);
    EXPECT_EQ(t.wakes, 1);
    EXPECT_TRUE(ME_Cancel(t.ctx.get()));
    EXPECT_EQ(t.wakes, 1);
    EXPECT_FALSE(ME_Cancel(nullptr));
}

} // namespace
