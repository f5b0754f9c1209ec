// The serving loop run in a thread of the test: stopped through its stop descriptor while
// a client is connected, and while none is.
#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>

#include "DevsimProcess.h"
#include "PtyClient.h"
#include "PtyDevice.h"

using namespace devsim;
using namespace devsim_test;

class PtyDeviceThread : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        m_options.root = m_tmp.Path();
        ASSERT_TRUE(m_fs.Open(m_tmp.Path(), error)) << error;
        ASSERT_EQ(::pipe(m_stop), 0);
        ASSERT_TRUE(m_line.Open(error)) << error;
        m_session.Boot();
        m_server = std::thread([this] { m_served = m_line.Serve(m_session, m_stop[0]); });
    }

    void TearDown() override {
        if (m_server.joinable())
            StopServer();
        ::close(m_stop[0]);
        ::close(m_stop[1]);
    }

    void StopServer() {
        char byte = 1;
        ASSERT_EQ(::write(m_stop[1], &byte, 1), 1);
        m_server.join();
    }

    TempFolder m_tmp;
    DeviceOptions m_options;
    DeviceFileSystem m_fs;
    CommandLog m_log;
    DeviceSession m_session{m_options, m_fs, m_log};
    PtyDevice m_line{0, false};
    int m_stop[2] = {-1, -1};
    bool m_served = false;
    std::thread m_server;
};

TEST_F(PtyDeviceThread, AnswersAClientAndStopsOnRequest) {
    PtyClient client;
    ASSERT_TRUE(client.Open(m_line.SlavePath(), true));
    EXPECT_EQ(client.Command("AT+EFSF=0,\"" + Ucs2("C:\\made") + "\"").Final(), "OK");
    EXPECT_TRUE(HostExists(m_tmp.Sub("C/made")));
    StopServer();
    EXPECT_TRUE(m_served);
}

TEST_F(PtyDeviceThread, StopsWhileNoClientHoldsTheLine) {
    {
        PtyClient client;
        ASSERT_TRUE(client.Open(m_line.SlavePath()));
        ASSERT_EQ(client.Command("AT").Final(), "OK");
    }
    StopServer();
    EXPECT_TRUE(m_served);
}
