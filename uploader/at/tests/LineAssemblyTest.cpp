// Line assembly: CR LF framed lines out of arbitrary chunks, and the lines that fall away.
#include <gtest/gtest.h>

#include "ContextFixture.h"
#include "TableRow.h"

namespace {

struct FramingCase : test_table::Row {
    std::string bytes;
    std::vector<std::string> lines;
};

class Framing : public ::testing::TestWithParam<FramingCase> {};

// Chunks of one to eight bytes, so CR and LF also arrive apart, then most replies at once.
TEST_P(Framing, GivesTheSameLinesInEveryChunkSize) {
    for (size_t chunk : {1, 2, 3, 5, 8, 4096}) {
        TestContext t;
        t.feed(GetParam().bytes, chunk);
        ASSERT_EQ(t.lines, GetParam().lines) << "chunk " << chunk;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Framing,
    ::testing::Values(
        FramingCase{"EchoInformationAndFinal", "AT\r\r\n+X: 1\r\n\r\nOK\r\n", {"+X: 1", "OK"}},
        FramingCase{"EmptyAndOneCharacterLinesDropped", "\r\n\r\n\r\nX\r\nOK\r\n", {"OK"}},
        FramingCase{
            "LineNotOpenedByLfSkipped", "\r\nOK\r\nERROR\r\n\r\nERROR\r\n", {"OK", "ERROR"}},
        FramingCase{"BytesBetweenCrAndLfIgnored", "\r\nOK\rxyz\n", {"OK"}},
        // A zero byte ends the line's text; the bytes after it are not held back.
        FramingCase{"ZeroByteInsideALine", std::string("\r\nA\0B\r\n\r\nOK\r\n", 13), {"A", "OK"}},
        FramingCase{"OverlongLineCutAt8192",
                    "\r\n" + std::string(8300, 'A') + "\r\n",
                    {std::string(8192, 'A')}}),
    test_table::ByName());

TEST(LineAssembly, RingRejectsAChunkWithoutRoomWholeAndWrapsAroundItsEnd) {
    TestContext t;
    std::string big(8192, 'x');
    EXPECT_EQ(DataCallBack(1, big.data(), big.size(), t.ctx.get()), 0);
    EXPECT_EQ(DataCallBack(1, big.data(), big.size() - 1, t.ctx.get()), 8191);
    t.feed("\r\nWRAPPED\r\n");
    EXPECT_EQ(t.lines, std::vector<std::string>{"WRAPPED"});
}

} // namespace
