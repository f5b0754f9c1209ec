// CommModule over a real pseudo-terminal: the test holds the master side as the device. The
// second interruption ends the program at once with the status of that second signal and gives
// the open line back as it was found; what the first one does (commands refused outside the
// cleanup window, the status of that signal) the interrupted uploads of the end-to-end tests show.
#include "Interruption.h"
#include "SerialPort.h"

#include <gtest/gtest.h>

#include "ChildProcess.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <malloc.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <utility>
#include <unistd.h>

namespace {

const auto DEADLINE = std::chrono::seconds(20);

// What the reader thread hands over: bytes, or the report of a lost line, announced without bytes.
std::atomic<bool> g_lineLost{false};
std::atomic<unsigned long> g_received{0};
int NoteLine(int type, const char*, unsigned long length, void*) {
    g_received += type == COMM_DATA_RECEIVED ? length : 0;
    g_lineLost = g_lineLost || (type == COMM_LINE_LOST && length == 0);
    return 0;
}

// A pseudo-terminal as the system makes it, or at a given speed with every other setting cleared.
struct Pty {
    explicit Pty(speed_t speed = B0) {
        char name[128];
        termios line{};
        cfsetspeed(&line, speed);
        EXPECT_EQ(openpty(&master, &slave, name, speed == B0 ? nullptr : &line, nullptr), 0);
        path = name;
    }
    ~Pty() {
        if (master != -1)
            close(master);
        close(slave);
    }
    int master = -1, slave = -1;
    std::string path;
};

termios LineOf(int fd) {
    termios settings{};
    EXPECT_EQ(tcgetattr(fd, &settings), 0);
    return settings;
}

speed_t SpeedOf(int fd) {
    termios settings = LineOf(fd);
    return cfgetospeed(&settings);
}

// The line-settings call as drivers fail it: when armed, the next call applies only what the
// fault leaves of the wanted settings and then reports EINVAL.
void (*g_settingsFault)(int fd, termios& applied) = nullptr;

extern "C" int __real_tcsetattr(int fd, int when, const termios* wanted);
extern "C" int __wrap_tcsetattr(int fd, int when, const termios* wanted) {
    void (*fault)(int, termios&) = std::exchange(g_settingsFault, nullptr);
    if (fault == nullptr)
        return __real_tcsetattr(fd, when, wanted);
    termios applied = *wanted;
    fault(fd, applied);
    __real_tcsetattr(fd, when, &applied);
    errno = EINVAL;
    return -1;
}

// The reader's waits as the system may end them: when armed, the reader's next wait reports data
// that is not there, and the one after is interrupted by a signal.
std::atomic<int> g_fakeWaits{0};

extern "C" int __real_poll(pollfd* entries, nfds_t count, int timeout);
extern "C" int __wrap_poll(pollfd* entries, nfds_t count, int timeout) {
    if (count != 2 || g_fakeWaits == 0) // the reader alone waits on two descriptors
        return __real_poll(entries, count, timeout);
    bool spurious = g_fakeWaits-- == 2;
    entries[0].revents = spurious ? POLLIN : 0;
    entries[1].revents = 0;
    if (spurious)
        return 1;
    errno = EINTR;
    return -1;
}

long OpenDescriptors() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

class SerialPort : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GE(port.Init_Port(pty.path.c_str()), 0);
        g_lineLost = false;
        g_received = 0;
        port.SetCallBack(NoteLine, nullptr);
    }
    void TearDown() override { port.Deinit_Port(); }
    Pty pty;
    CommModule port;
};

// The writer meets a full line (far more than a pseudo-terminal holds) and is interrupted by
// signals, some while it waits for room: it goes on waiting.
TEST_F(SerialPort, WriteWaitsForRoomOnAFullLineThroughInterruptions) {
    struct sigaction handler = {}, previous;
    handler.sa_handler = [](int) {};
    sigaction(SIGUSR1, &handler, &previous);
    std::string text(256 * 1024, 'A');
    size_t seen = 0;
    pthread_t writer = pthread_self();
    std::thread device([&] {
        for (int i = 0; i < 1000; ++i) {
            pthread_kill(writer, SIGUSR1);
            std::this_thread::yield();
        }
        char buffer[4096];
        pollfd entry = {pty.master, POLLIN, 0};
        while (seen < text.size() && poll(&entry, 1, 20000) > 0)
            seen +=
                static_cast<size_t>(std::max<ssize_t>(read(pty.master, buffer, sizeof buffer), 0));
    });
    EXPECT_EQ(port.WriteData(text.c_str(), static_cast<int>(text.size())), 1);
    device.join();
    sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_EQ(seen, text.size());
}

// A wake-up with nothing to read, or a wait a signal interrupted, is no hang-up: the reader
// goes on.
TEST_F(SerialPort, ReaderGoesOnAfterAnEmptyOrInterruptedWait) {
    ::testing::internal::CaptureStdout();
    auto send = [&](unsigned long total) {
        EXPECT_EQ(write(pty.master, "x", 1), 1);
        EXPECT_TRUE(Eventually([total] { return g_received == total; }, DEADLINE));
    };
    send(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the reader waits again
    g_fakeWaits = 2;
    send(2); // after this byte, the fakes
    EXPECT_TRUE(Eventually([] { return g_fakeWaits == 0; }, DEADLINE));
    send(3);
    EXPECT_FALSE(g_lineLost);
    ::testing::internal::GetCapturedStdout();
}

TEST_F(SerialPort, ReaderEndsWhenTheDeviceHangsUp) {
    ::testing::internal::CaptureStdout();
    close(pty.master);
    pty.master = -1;
    // The reader reports the lost line and ends by itself; stopping then joins a finished
    // thread instead of hanging.
    EXPECT_TRUE(Eventually([] { return g_lineLost.load(); }, DEADLINE));
    EXPECT_EQ(port.WriteData("AT\r", 3), 0); // after one retry
    port.Deinit_Port();
    std::string printed = ::testing::internal::GetCapturedStdout();
    for (const char* line :
         {"[error]reading com port - Input/output error(5).",
          "Error writting to modem - Input/output error(5).", "[Error] write failed: <AT\r>",
          "[error] resetting tty attributes - Input/output error(5)."})
        EXPECT_NE(printed.find(line), std::string::npos) << line;
    Pty other;
    ASSERT_GE(port.Init_Port(other.path.c_str()), 0);
}

// Opening reports the line as found and sets it raw at 115200 with RTS/CTS, each read waiting
// for one byte; closing gives it back as found. A pseudo-terminal has no modem lines: DTR can be
// neither raised (error 25) nor dropped, nor the handshake lines set or read. Nor does it keep
// parity, and a library that reads the settings back calls that a failure: the open goes on.
TEST(SerialPortOpen, SetsTheLineAndGivesItBackWhole) {
    Pty pty(B9600);
    CommModule port;
    g_settingsFault = [](int, termios& applied) { applied.c_cflag &= ~PARENB; };
    ::testing::internal::CaptureStdout();
    ASSERT_GE(port.Init_Port(pty.path.c_str()), 0);
    std::string printed = ::testing::internal::GetCapturedStdout();
    termios set = LineOf(pty.slave);
    EXPECT_EQ(cfgetospeed(&set), B115200);
    EXPECT_EQ(set.c_cc[VMIN], 1);
    EXPECT_EQ(set.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(set.c_cflag & (CSIZE | CRTSCTS), CS8 | CRTSCTS);
    port.Deinit_Port();
    EXPECT_EQ(SpeedOf(pty.slave), B9600);
    const std::string lines[] = {
        "rate is 9600\r\n\r\nCurrent output baud rate is 9600",
        "Input baud rate changed to 115200\nOutput baud rate changed to 115200",
        "(25).\r\n[error] clearing DTR " + pty.path,
        "[error] setting handshake lines " + pty.path +
            " - Inappropriate ioctl for device(25).\r\n\r\n[error] getting handshake lines " +
            pty.path};
    for (const std::string& line : lines)
        EXPECT_NE(printed.find(line), std::string::npos) << line;
}

// A long-running program opens and closes the port again and again: nothing may pile up, not
// a descriptor, not even the smallest record (the first rounds set up the C library's own
// buffers and caches).
TEST(SerialPortOpen, ReopeningKeepsNoDescriptorOrMemory) {
    const int kRounds = 20;
    ::testing::internal::CaptureStdout();
    long heap = 0, descriptors = 0;
    for (int i = 0; i < 2 * kRounds; ++i) {
        if (i == kRounds) {
            descriptors = OpenDescriptors();
            heap = static_cast<long>(mallinfo2().uordblks);
        }
        Pty pty;
        CommModule port;
        ASSERT_GE(port.Init_Port(pty.path.c_str()), 0);
        port.Deinit_Port();
    }
    EXPECT_LT(static_cast<long>(mallinfo2().uordblks) - heap, 8 * kRounds);
    EXPECT_EQ(OpenDescriptors(), descriptors);
    ::testing::internal::GetCapturedStdout();
}

// A refused open says why, returns -1 and leaves no descriptor behind and the line as found,
// also when no descriptor is left for the reader's wake-up pipe (the last case).
TEST(SerialPortOpen, RefusalSaysWhyAndLeavesNothingBehind) {
    Pty pty;
    speed_t found = SpeedOf(pty.slave);
    for (auto [path, printed] :
         {std::pair<std::string, std::string>{
              "/dev/null",
              "[error] setting TIOCEXCL on /dev/null - Inappropriate ioctl for device(25)."},
          {pty.path, ""}}) {
        CommModule port;
        rlimit limit;
        ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
        ::testing::internal::CaptureStdout();
        long descriptors = OpenDescriptors();
        if (path == pty.path) {
            int next = open("/dev/null", O_RDONLY); // the lowest free number: the port takes it
            close(next);
            rlimit low = {static_cast<rlim_t>(next) + 1, limit.rlim_max};
            setrlimit(RLIMIT_NOFILE, &low);
        }
        EXPECT_EQ(port.Init_Port(path.c_str()), -1);
        setrlimit(RLIMIT_NOFILE, &limit);
        port.Deinit_Port(); // closes nothing: the refusal closed the port itself
        EXPECT_EQ(OpenDescriptors(), descriptors);
        EXPECT_NE(::testing::internal::GetCapturedStdout().find(printed), std::string::npos);
        EXPECT_FALSE(port.IsBusy());
    }
    EXPECT_EQ(SpeedOf(pty.slave), found);
}

// Run first, as gtest runs death tests, while this process has no other thread.
TEST(InterruptionDeathTest, SecondSignalGivesTheLineBackAndLeavesWithItsStatus) {
    Pty pty(B9600);
    EXPECT_EXIT(
        {
            InstallInterruptionHandlers();
            CommModule port;
            if (port.Init_Port(pty.path.c_str()) >= 0 && SpeedOf(pty.slave) == B115200) {
                raise(SIGINT); // only recorded
                raise(SIGTERM);
            }
        },
        ::testing::ExitedWithCode(128 + SIGTERM), "");
    EXPECT_EQ(SpeedOf(pty.slave), B9600);
}

} // namespace
