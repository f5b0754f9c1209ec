// The devsim program as a user meets it: its first output line, the framing of replies on
// the real pseudo-terminal, reopening the line, the echo, silence and log options, and
// its exit statuses.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <termios.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "DevsimProcess.h"
#include "PtyClient.h"

using namespace devsim_test;

namespace {

int ExitCode(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HasOkLine(const std::string& bytes) {
    return bytes.find("\r\nOK\r\n") != std::string::npos;
}

const std::chrono::milliseconds kDeadline(10000);

// devsim reacts to a client's close only after the close has returned: what depends on that
// reaction is retried until it holds or the deadline passes.
bool Eventually(const std::function<bool()>& condition) {
    auto end = std::chrono::steady_clock::now() + kDeadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        ::poll(nullptr, 0, 5);
    }
    return true;
}

} // namespace

class DevsimProgram : public ::testing::Test {
protected:
    void Start(std::vector<std::string> args = {}) {
        args.insert(args.begin(), {"--root", m_tmp.Path()});
        ASSERT_TRUE(m_device.Start(args));
        ASSERT_EQ(m_device.FirstLine().rfind("/dev/", 0), 0u) << m_device.FirstLine();
        ASSERT_TRUE(m_client.Open(m_device.FirstLine(), true));
    }

    TempFolder m_tmp;
    DevsimProcess m_device;
    PtyClient m_client;
};

TEST_F(DevsimProgram, PrintsTheSlavePathFirstAndCreatesDriveC) {
    Start();
    EXPECT_TRUE(HostExists(m_tmp.Sub("C")));
    Exchange ok = m_client.Command("AT");
    EXPECT_TRUE(ok.complete);
    EXPECT_EQ(ok.lines, std::vector<std::string>{"OK"});
}

class DevsimStop : public DevsimProgram, public ::testing::WithParamInterface<int> {};

// At 9600 baud the reply takes about ten seconds; the signal comes while it is under way.
TEST_P(DevsimStop, SignalEndsTheProgramWithStatusZeroWithinASecondMidReply) {
    ::mkdir(m_tmp.Sub("C").c_str(), 0755);
    WriteHostFile(m_tmp.Sub("C/big"), std::string(4096, 'x'));
    Start({"--baud", "9600"});
    ASSERT_TRUE(m_client.Send("AT+EFSR=\"" + Ucs2("C:\\big") + "\"\r"));
    ASSERT_FALSE(m_client.ReadUntil([](const std::string& b) { return !b.empty(); }, kDeadline)
                     .empty());
    EXPECT_EQ(ExitCode(m_device.Stop(GetParam(), std::chrono::milliseconds(1000))), 0);
}

INSTANTIATE_TEST_SUITE_P(Signals, DevsimStop, ::testing::Values(SIGTERM, SIGINT),
                         [](const ::testing::TestParamInfo<int>& signal) {
                             return signal.param == SIGTERM ? "Term" : "Interrupt";
                         });

TEST_F(DevsimProgram, RepliesAreFramedWithCrLfBeforeAndAfterEachLine) {
    Start();
    ASSERT_TRUE(m_client.Send("AT+ESUO?\r"));
    std::string bytes = m_client.ReadUntil(EndsWithFinal, kDeadline);
    EXPECT_EQ(bytes, "\r\n+ESUO: 4,0\r\n\r\nOK\r\n");
}

TEST_F(DevsimProgram, CommandsSplitAcrossWritesAndBackToBackAreEachAnswered) {
    Start();
    ASSERT_TRUE(m_client.Send("A"));
    ASSERT_TRUE(m_client.Send("T+ESUO=3\r\nAT+ESU"));
    ASSERT_TRUE(m_client.Send("O?\r"));
    std::string bytes = m_client.ReadUntil(
        [](const std::string& b) {
            return b.find("+ESUO: 3,0\r\n\r\nOK\r\n") != std::string::npos;
        },
        kDeadline);
    EXPECT_EQ(bytes, "\r\nOK\r\n\r\n+ESUO: 3,0\r\n\r\nOK\r\n");
}

TEST_F(DevsimProgram, ServesAgainAfterTheClientClosesAndReopens) {
    Start();
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(
            m_client.Command("AT+EFSF=0,\"" + Ucs2("C:\\d" + std::to_string(round)) + "\"").Final(),
            "OK");
        ASSERT_EQ(m_client.Command("AT+[666]REBOOT").Final(), "OK");
        m_client.Close();
        ASSERT_TRUE(m_client.Open(m_device.FirstLine(), true)) << "round " << round;
    }
    EXPECT_EQ(m_client.Command("AT").Final(), "OK");
    EXPECT_TRUE(HostExists(m_tmp.Sub("C/d2")));
}

// Root ignores the exclusive-use flag, so there the reconnect is tried as an ordinary user.
TEST_F(DevsimProgram, ExclusiveUseDoesNotLockTheClientOutOfItsReconnect) {
    Start();
    ASSERT_EQ(m_client.Command("AT").Final(), "OK");
    m_client.Close();
    const std::string path = m_device.FirstLine();
    if (::geteuid() == 0) {
        ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    }
    pid_t child = ::fork();
    if (child == 0) {
        const uid_t kNobody = 65534;
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(2);
        PtyClient client;
        for (int round = 0; round < 3; ++round) {
            if (!Eventually([&] { return client.Open(path, true); }))
                ::_exit(10 + round);
            if (client.Command("AT").Final() != "OK")
                ::_exit(20 + round);
            client.Close();
        }
        ::_exit(0);
    }
    EXPECT_EQ(ExitCode(WaitChild(child, kDeadline)), 0) << "10+n: reopen n refused, 20+n: no answer";
}

// The next client finds the line as devsim set it up, whatever the last one left.
TEST_F(DevsimProgram, SettingsLeftByAClientAreUndoneWhenItCloses) {
    Start();
    m_client.Close();
    const std::string path = m_device.FirstLine();
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    struct termios initial;
    ASSERT_EQ(::tcgetattr(fd, &initial), 0);
    struct termios changed = initial;
    changed.c_lflag |= ECHO | ICANON;
    changed.c_iflag |= ICRNL;
    ::cfsetspeed(&changed, B9600);
    ASSERT_EQ(::tcsetattr(fd, TCSANOW, &changed), 0);
    ::close(fd);
    EXPECT_TRUE(Eventually([&] {
        int probe = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        struct termios now = {};
        bool restored = probe >= 0 && ::tcgetattr(probe, &now) == 0 &&
                        now.c_lflag == initial.c_lflag && now.c_iflag == initial.c_iflag &&
                        ::cfgetospeed(&now) == ::cfgetospeed(&initial);
        ::close(probe);
        return restored;
    }));
}

TEST_F(DevsimProgram, EchoRepeatsTheCommandLineBeforeTheReply) {
    Start({"--echo"});
    ASSERT_TRUE(m_client.Send("AT\r"));
    EXPECT_EQ(m_client.ReadUntil(EndsWithFinal, kDeadline), "AT\r\r\nOK\r\n");
}

TEST_F(DevsimProgram, SilentCommandGetsNoBytesAtAll) {
    Start({"--silent", "^AT+ESUO?$"});
    ASSERT_TRUE(m_client.Send("AT+ESUO?\rAT\r"));
    EXPECT_EQ(m_client.ReadUntil(HasOkLine, kDeadline), "\r\nOK\r\n");
}

TEST_F(DevsimProgram, FailOptionOnTheCommandLineAnswersCmeError) {
    Start({"--fail", "AT+EFSL=@2", "--fail", "^AT+ESUO?=13"});
    std::string root = "AT+EFSL=\"" + Ucs2("C:") + "\"";
    EXPECT_EQ(m_client.Command(root).Final(), "OK");
    EXPECT_EQ(m_client.Command(root).Final(), "ERROR");
    EXPECT_EQ(m_client.Command(root).Final(), "OK");
    EXPECT_EQ(m_client.Command("AT+ESUO?").lines, std::vector<std::string>{"+CME ERROR: 13"});
}

TEST_F(DevsimProgram, LogHoldsOneTimeStampedLinePerCommandWhileRunning) {
    std::string log = m_tmp.Sub("device.log");
    ::mkdir(m_tmp.Sub("C").c_str(), 0755);
    Start({"--log", log});
    ASSERT_EQ(m_client.Command("AT").Final(), "OK");
    ASSERT_EQ(m_client.Command("AT+[666]REBOOT").Final(), "OK");
    std::string text = ReadHostFile(log);
    std::vector<std::string> commands;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end - start);
        start = end + 1;
        size_t space = line.find(' ');
        ASSERT_NE(space, std::string::npos) << line;
        EXPECT_EQ(line.size() > 24 && line[4] == '-' && line[10] == 'T' && line[23] == 'Z', true)
            << line;
        if (line.compare(space + 1, 2, "AT") == 0)
            commands.push_back(line.substr(space + 1));
    }
    EXPECT_EQ(commands, (std::vector<std::string>{"AT", "AT+[666]REBOOT"}));
}

struct BadArgs {
    std::vector<std::string> args;
};

void PrintTo(const BadArgs& c, std::ostream* os) {
    for (const std::string& arg : c.args)
        *os << arg << ' ';
}

class DevsimCommandLine : public ::testing::TestWithParam<BadArgs> {};

TEST_P(DevsimCommandLine, BadCommandLineEndsWithStatusOneAndAMessage) {
    TempFolder tmp;
    std::vector<std::string> args = GetParam().args;
    for (std::string& arg : args) {
        if (arg == "ROOT")
            arg = tmp.Path();
    }
    DevsimProcess device;
    device.Start(args);
    EXPECT_EQ(ExitCode(device.Wait()), 1);
    std::string output = device.FirstLine() + device.RestOfOutput();
    EXPECT_NE(output.find("devsim: "), std::string::npos) << output;
    EXPECT_NE(output.find("usage: devsim"), std::string::npos) << output;
}

INSTANTIATE_TEST_SUITE_P(Args, DevsimCommandLine,
                         ::testing::Values(BadArgs{{}},
                                           BadArgs{{"--root", "ROOT", "--baud", "fast"}},
                                           BadArgs{{"--root", "ROOT", "--packet-size", "12x"}},
                                           BadArgs{{"--root", "ROOT", "--fail", "x@0"}},
                                           BadArgs{{"--root", "ROOT", "--bogus"}},
                                           BadArgs{{"--root", "ROOT", "extra"}},
                                           BadArgs{{"--root"}}));

TEST(DevsimHelp, PrintsUsageAndEndsWithStatusZero) {
    DevsimProcess device;
    device.Start({"--help"});
    EXPECT_EQ(device.FirstLine(), "usage: devsim --root DIR [options]");
    EXPECT_EQ(ExitCode(device.Wait()), 0);
}

TEST(DevsimRoot, MissingRootFolderEndsWithStatusTwo) {
    TempFolder tmp;
    DevsimProcess device;
    device.Start({"--root", tmp.Sub("missing")});
    EXPECT_EQ(ExitCode(device.Wait()), 2);
}
