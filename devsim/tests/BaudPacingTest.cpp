// The line-rate limit measured from the client's side of the real pseudo-terminal: replies
// arrive, and long command lines are taken in, at the rate of an 8E1 line.
#include <gtest/gtest.h>

#include <chrono>
#include <poll.h>
#include <sys/stat.h>

#include "DevsimProcess.h"
#include "PtyClient.h"

using namespace devsim_test;
using Clock = std::chrono::steady_clock;

namespace {

const long kBaud = 57600;
const double kBytesPerSecond = kBaud / 11.0;
const double kTolerance = 0.05;

} // namespace

class BaudPacing : public ::testing::Test {
protected:
    void SetUp() override {
        ::mkdir(m_tmp.Sub("C").c_str(), 0755);
        std::string content;
        for (int i = 0; i < 4200; ++i)
            content += static_cast<char>(i);
        WriteHostFile(m_tmp.Sub("C/big.bin"), content);
        ASSERT_TRUE(m_device.Start(
            {"--root", m_tmp.Path(), "--baud", std::to_string(kBaud), "--packet-size", "4096"}));
        ASSERT_TRUE(m_client.Open(m_device.FirstLine()));
    }

    TempFolder m_tmp;
    DevsimProcess m_device;
    PtyClient m_client;
};

// From the first received chunk to the end of the reply: the bytes after that first chunk
// took their line time.
TEST_F(BaudPacing, ReplyArrivesAtTheSetRate) {
    ASSERT_TRUE(m_client.Send("AT+EFSR=\"" + Ucs2("C:\\big.bin") + "\"\r"));
    std::string first = m_client.ReadUntil([](const std::string& b) { return !b.empty(); },
                                           std::chrono::seconds(10));
    ASSERT_FALSE(first.empty());
    Clock::time_point start = Clock::now();
    std::string rest = m_client.ReadUntil(EndsWithFinal, std::chrono::seconds(30));
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ASSERT_TRUE(EndsWithFinal(first + rest));
    double expected = static_cast<double>(rest.size()) / kBytesPerSecond;
    EXPECT_GT(expected, 1.5) << "long enough to measure";
    EXPECT_NEAR(seconds, expected, expected * kTolerance) << rest.size() << " bytes";
}

// A command line of about 8 KB is taken in no faster than the line carries it: its "OK"
// comes no sooner than the line time of the command.
TEST_F(BaudPacing, LongCommandIsTakenInAtTheSetRate) {
    std::string open = "AT+EFSW=0,\"" + Ucs2("C:\\up.bin") + "\"";
    ASSERT_EQ(m_client.Command(open).Final(), "OK");
    std::string chunk = "AT+EFSW=2,0,4096,\"" + std::string(8192, 'A') + "\"\r";
    Clock::time_point start = Clock::now();
    ASSERT_TRUE(m_client.Send(chunk));
    std::string reply = m_client.ReadUntil(EndsWithFinal, std::chrono::seconds(30));
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_EQ(reply, "\r\nOK\r\n");
    double expected = static_cast<double>(chunk.size() + reply.size()) / kBytesPerSecond;
    EXPECT_NEAR(seconds, expected, expected * kTolerance);
}
