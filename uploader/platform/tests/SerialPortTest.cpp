// CommModule over a real pseudo-terminal: the test holds the master side as the device.
#include "SerialPort.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

const auto DEADLINE = std::chrono::seconds(20);

// Collects what the reader thread delivers.
struct Received {
    std::mutex mutex;
    std::condition_variable changed;
    std::string bytes;
    unsigned long largestChunk = 0;
    bool lineLost = false;

    static int Callback(int type, const char* data, unsigned long length, void* self) {
        Received* received = static_cast<Received*>(self);
        {
            std::lock_guard<std::mutex> lock(received->mutex);
            if (type == COMM_LINE_LOST) {
                received->lineLost = true;
            } else {
                EXPECT_EQ(type, COMM_DATA_RECEIVED);
                received->bytes.append(data, length);
                received->largestChunk = std::max(received->largestChunk, length);
            }
        }
        received->changed.notify_all();
        return 0;
    }
    template <class Done> bool WaitUntil(Done done) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, DEADLINE, done);
    }
};

class SerialPort : public ::testing::Test {
protected:
    void SetUp() override {
        char name[128];
        ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
        path = name;
        ASSERT_GE(port.Init_Port(path.c_str()), 0);
        port.SetCallBack(Received::Callback, &received);
    }
    void TearDown() override {
        port.Deinit_Port();
        if (master != -1)
            close(master);
        close(slave);
    }
    int master = -1, slave = -1;
    std::string path;
    CommModule port;
    Received received;
};

TEST_F(SerialPort, ChunksReachTheCallbackWithZeroBytesAndAtMost511) {
    std::string data(2000, 'x');
    data[10] = '\0';
    ASSERT_EQ(write(master, data.data(), 1), 1); // a chunk of a single byte first
    ASSERT_TRUE(received.WaitUntil([&] { return received.bytes.size() == 1; }));
    ASSERT_EQ(write(master, data.data() + 1, data.size() - 1),
              static_cast<ssize_t>(data.size() - 1));
    ASSERT_TRUE(received.WaitUntil([&] { return received.bytes.size() >= data.size(); }));
    EXPECT_EQ(received.bytes, data);
    EXPECT_LE(received.largestChunk, 511u);
}

TEST_F(SerialPort, WriteWaitsForRoomOnAFullLine) {
    // Far more than a pseudo-terminal holds: the writer meets a full line and waits for room.
    std::string text(256 * 1024, 'A');
    size_t seen = 0;
    std::thread device([&] {
        char buffer[4096];
        pollfd entry = {master, POLLIN, 0};
        while (seen < text.size() && poll(&entry, 1, 20000) > 0)
            seen += static_cast<size_t>(std::max<ssize_t>(read(master, buffer, sizeof buffer), 0));
    });
    EXPECT_EQ(port.WriteData(text.c_str(), static_cast<int>(text.size())), 1);
    device.join();
    EXPECT_EQ(seen, text.size());
}

TEST_F(SerialPort, ReaderEndsWhenTheDeviceHangsUp) {
    close(master);
    master = -1;
    // The reader reports the lost line and ends by itself; stopping then joins a finished
    // thread instead of hanging.
    EXPECT_TRUE(received.WaitUntil([&] { return received.lineLost; }));
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(port.WriteData("AT\r", 3), 0); // after one retry
    port.Deinit_Port();
    std::string printed = ::testing::internal::GetCapturedStdout();
    for (const char* line :
         {"Error writting to modem - Input/output error(5).", "[Error] write failed: <AT\r>",
          "[error] resetting tty attributes - Input/output error(5)."})
        EXPECT_NE(printed.find(line), std::string::npos) << line;
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    ASSERT_GE(port.Init_Port(name), 0);
}

// Opening reports the line as it found it and as it left it.
TEST(SerialPortOpen, ReportsTheLineItFoundAndTheSpeedItSet) {
    // clang-format off
    for (auto [speed, baud] : {std::pair{B9600, "9600"}, {B19200, "19200"}, {B38400, "38400"},
                               {B57600, "57600"}, {B230400, "230400"}}) {
        // clang-format on
        int master, slave;
        char name[128];
        ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
        termios settings{};
        ASSERT_EQ(tcgetattr(slave, &settings), 0);
        cfsetspeed(&settings, speed);
        ASSERT_EQ(tcsetattr(slave, TCSANOW, &settings), 0);
        CommModule port;
        ::testing::internal::CaptureStdout();
        ASSERT_GE(port.Init_Port(name), 0);
        std::string printed = ::testing::internal::GetCapturedStdout();
        port.Deinit_Port();
        close(master);
        close(slave);
        // A pseudo-terminal has no modem lines: DTR can be neither raised (error 25) nor dropped.
        for (const std::string& line :
             {std::string("bsd path-> ") + name, "Current input baud rate is " + std::string(baud),
              "Current output baud rate is " + std::string(baud),
              std::string("Output baud rate changed to 115200"),
              std::string("(25).\r\n[error] clearing DTR ") + name,
              std::string("Handshake lines currently set to 294")})
            EXPECT_NE(printed.find(line), std::string::npos) << line;
    }
}

TEST(SerialPortOpen, RefusesADeviceThatIsNoTerminal) {
    CommModule port;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(port.Init_Port("/dev/null"), -1);
    EXPECT_NE(::testing::internal::GetCapturedStdout().find(
                  "[error] setting TIOCEXCL on /dev/null - Inappropriate ioctl for device(25)."),
              std::string::npos);
    EXPECT_FALSE(port.IsBusy());
}

} // namespace
