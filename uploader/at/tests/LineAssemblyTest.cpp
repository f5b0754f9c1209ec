// Line assembly: CR LF framed lines out of arbitrary chunks, and the lines that fall away.
#include <gtest/gtest.h>

#include "ContextFixture.h"

namespace {

class LineAssembly : public ::testing::Test {
protected:
    void SetUp() override { t.ctx->m_pRespCallback = TestContext::recordLine; }
    TestContext t;
};

TEST_F(LineAssembly, OkLineSplitAtEveryPositionIsDeliveredOnce) {
    const std::string bytes = "\r\nOK\r\n";
    for (size_t split = 0; split <= bytes.size(); ++split) {
        TestContext fresh;
        fresh.ctx->m_pRespCallback = TestContext::recordLine;
        fresh.feed(bytes.substr(0, split));
        fresh.feed(bytes.substr(split));
        ASSERT_EQ(fresh.lines, std::vector<std::string>{"OK"}) << "split at " << split;
    }
}

TEST_F(LineAssembly, ReplyInEveryChunkSizeGivesTheSameLines) {
    const std::string bytes = "AT+EFSL\r\r\n+EFSL: \"0043\"\r\n\r\n+EFSL: \"0044\"\r\n\r\nOK\r\n";
    for (size_t chunk = 1; chunk <= 8; ++chunk) {
        TestContext fresh;
        fresh.ctx->m_pRespCallback = TestContext::recordLine;
        fresh.feed(bytes, chunk);
        std::vector<std::string> expected{"+EFSL: \"0043\"", "+EFSL: \"0044\"", "OK"};
        ASSERT_EQ(fresh.lines, expected) << "chunk " << chunk;
    }
}

TEST_F(LineAssembly, BytesBeforeTheFirstCrAreIgnored) {
    t.feed("OK\nERROR\n");
    EXPECT_TRUE(t.lines.empty());
}

TEST_F(LineAssembly, EmptyAndOneCharacterLinesAreDropped) {
    t.feed("\r\n\r\n\r\nX\r\n");
    EXPECT_TRUE(t.lines.empty());
}

TEST_F(LineAssembly, LineNotOpenedByLfIsSkipped) {
    t.feed("\r\nOK\r\nERROR\r\n");
    EXPECT_EQ(t.lines, std::vector<std::string>{"OK"});
    t.feed("\r\nERROR\r\n");
    EXPECT_EQ(t.lines.back(), "ERROR");
}

TEST_F(LineAssembly, BytesBetweenCrAndLfAreIgnored) {
    t.feed("\r\nOK\rxyz\n");
    EXPECT_EQ(t.lines, std::vector<std::string>{"OK"});
}

TEST_F(LineAssembly, OverlongLineIsCutAt8192Characters) {
    std::string text(ME_MAX_LINE_LENGTH + 100, 'A');
    for (size_t at = 0; at < text.size(); at += 500) {
        std::string piece = text.substr(at, 500);
        t.feed(at == 0 ? "\r\n" + piece : piece);
    }
    t.feed("\r\n");
    ASSERT_EQ(t.lines.size(), 1u);
    EXPECT_EQ(t.lines[0], std::string(ME_MAX_LINE_LENGTH, 'A'));
}

TEST_F(LineAssembly, LineWithoutCommandIsDiscarded) {
    t.ctx->m_pRespCallback = nullptr;
    t.feed("\r\nOK\r\n");
    EXPECT_TRUE(t.lines.empty());
    EXPECT_EQ(t.ctx->m_LineBuf[0], '\0');
}

TEST_F(LineAssembly, ChunkLargerThanTheRingIsRejectedWhole) {
    std::string big(ME_RING_SIZE, 'x');
    EXPECT_EQ(DataCallBack(1, big.data(), big.size(), t.ctx.get()), 0);
    EXPECT_EQ(DataCallBack(1, big.data(), 0, t.ctx.get()), 0);
    EXPECT_EQ(DataCallBack(1, big.data(), 5, nullptr), 0);
    std::string fits(ME_RING_SIZE - 1, 'x');
    EXPECT_EQ(DataCallBack(1, fits.data(), fits.size(), t.ctx.get()),
              static_cast<int>(fits.size()));
}

TEST_F(LineAssembly, RingWrapsAroundItsEnd) {
    std::string filler(ME_RING_SIZE - 3, 'x');
    t.feed(filler);
    t.feed("\r\nWRAPPED\r\n");
    EXPECT_EQ(t.lines, std::vector<std::string>{"WRAPPED"});
    EXPECT_EQ(GetRawData(t.ctx.get()), -1);
}

} // namespace
