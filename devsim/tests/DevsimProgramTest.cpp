// The devsim program as a user meets it on the real pseudo-terminal: the bytes its options
// give, reopening the line, what a client leaves behind, and its exit statuses.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "DevsimProcess.h"
#include "ProjectVersion.h"
#include "PtyClient.h"
#include "TableRow.h"

using namespace devsim_test;

const std::chrono::milliseconds kDeadline(10000);

class DevsimProgram : public ::testing::Test {
protected:
    void Start(std::vector<std::string> args = {}) {
        args.insert(args.begin(), {"--root", m_tmp.Path()});
        ASSERT_TRUE(m_device.Start(args));
        ASSERT_TRUE(m_client.Open(m_device.FirstLine()));
    }

    TempFolder m_tmp;
    DevsimProcess m_device;
    PtyClient m_client;
};

struct LineCase : test_table::Row {
    std::vector<std::string> options;
    std::vector<std::string> writes;
    std::string expected;
};

class DevsimLine : public DevsimProgram, public ::testing::WithParamInterface<LineCase> {};

// D:\app.vxp, on the only drive, is the application that autostart.txt names on its second line.
TEST_P(DevsimLine, WritesGiveExactlyTheseBytes) {
    ::mkdir(m_tmp.Sub("D").c_str(), 0755);
    WriteHostFile(m_tmp.Sub("D/autostart.txt"), "[autostart]\r\nApp= D:\\app.vxp\r\n");
    WriteHostFile(m_tmp.Sub("D/app.vxp"), "x");
    Start(GetParam().options);
    for (const std::string& piece : GetParam().writes)
        ASSERT_TRUE(m_client.Send(piece));
    const std::string& expected = GetParam().expected;
    std::string got = m_client.ReadUntil(
        [&](const std::string& bytes) { return bytes.size() >= expected.size(); }, kDeadline);
    EXPECT_EQ(got, expected);
}

// The delete names the file relative to the current folder: the drive root after a (re)boot.
const std::string kDeleteApp = "AT+EFSD=\"" + Ucs2("app.vxp") + "\"\r";
const std::string kOpenApp = "AT+EFSW=0,\"" + Ucs2("D:\\app.vxp") + "\"\r";
const std::string kExitAll = "AT+[666]EXIT_ALL\r";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Options, DevsimLine, ::testing::Values(
    // Paced: a few bytes at a time.
    LineCase{"SplitAndBackToBack", {"--baud", "9600"}, {"A", "T+ESUO=3\r\nAT+ESU", "O?\r"},
             "\r\nOK\r\n\r\n+ESUO: 3,0\r\n\r\nOK\r\n"},
    // The longest line is a chunk of 64 KiB in hex with 256 characters to spare: 131328.
    LineCase{"LongestLineAndOneMore", {}, {"AT+ESUO=" + std::string(131319, ' ') + "3\rAT+ESUO=" + std::string(131320, ' ') + "3\rAT\r"}, "\r\nOK\r\n\r\nERROR\r\n\r\nOK\r\n"},
    // The running application can neither be deleted nor opened for writing until all
    // applications stop, and runs again after a reboot.
    LineCase{"LockRunning", {"--lock-running"},
             {kOpenApp + kExitAll + "AT+[666]REBOOT\r" + kDeleteApp + kExitAll + kDeleteApp},
             "\r\nERROR\r\n\r\nOK\r\n\r\nOK\r\n\r\nERROR\r\n\r\nOK\r\n\r\nOK\r\n"}),
    test_table::ByName());
// clang-format on

// The line as devsim set it up, not held for exclusive use: what a new client must find.
bool LineAsSetUp(const std::string& path, const struct termios& initial) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    struct termios now = {};
    int exclusive = 1;
    bool asSetUp = fd >= 0 && ::tcgetattr(fd, &now) == 0 &&
                   ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive == 0 &&
                   now.c_lflag == initial.c_lflag && ::cfgetospeed(&now) == ::cfgetospeed(&initial);
    if (fd >= 0)
        ::close(fd);
    return asSetUp;
}

// A client takes the line for exclusive use, leaves other settings on it and closes it; a stop
// signal then ends devsim with status 0. (Clients that come after are the end-to-end runs'.)
TEST_F(DevsimProgram, ClientLeavesNothingBehindWhenItCloses) {
    Start();
    EXPECT_TRUE(HostExists(m_tmp.Sub("C"))) << "drive C is made in an empty root";
    struct termios initial;
    ASSERT_EQ(::tcgetattr(m_client.Fd(), &initial), 0);
    struct termios changed = initial;
    changed.c_lflag |= ECHO | ICANON;
    ::cfsetspeed(&changed, B9600);
    ASSERT_EQ(::tcsetattr(m_client.Fd(), TCSANOW, &changed), 0);
    m_client.Close();
    // devsim reacts to a client's close only after the close has returned.
    EXPECT_TRUE(Eventually([&] { return LineAsSetUp(m_device.FirstLine(), initial); }, kDeadline));
    EXPECT_EQ(m_device.Stop(SIGTERM).status, 0);
}

struct RefusedStart : test_table::Row {
    std::vector<std::string> args; // ROOT stands for a temporary folder
    int status;
    const char* says; // after "devsim: " on standard error; help and version: their first line
};

class DevsimRefused : public DevsimProgram, public ::testing::WithParamInterface<RefusedStart> {};

TEST_P(DevsimRefused, EndsWithItsStatusAndAMessage) {
    ::mkdir(m_tmp.Sub("plain").c_str(), 0755);
    WriteHostFile(m_tmp.Sub("plain/C"), "a file, not a drive");
    std::vector<std::string> args = GetParam().args;
    for (std::string& arg : args)
        if (arg.compare(0, 4, "ROOT") == 0)
            arg = m_tmp.Path() + arg.substr(4);
    bool printed = m_device.Start(args);
    ProcessResult end = m_device.Wait();
    EXPECT_EQ(end.status, GetParam().status);
    // Help and version are the only first lines that are no terminal's path.
    std::string said = printed ? m_device.FirstLine() : end.err;
    std::string expected = (printed ? "" : "devsim: ") + std::string(GetParam().says);
    EXPECT_EQ(said.rfind(expected, 0), 0u) << said;
    EXPECT_EQ(end.err.find("usage: devsim") != std::string::npos, GetParam().status == 1);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Args, DevsimRefused, ::testing::Values(
    RefusedStart{"Help", {"--help"}, 0, "usage: devsim --root DIR [options]"},
    RefusedStart{"Version", {"--version"}, 0, "devsim " PROJECT_VERSION_STRING},
    RefusedStart{"NoRoot", {}, 1, "--root DIR is required"},
    RefusedStart{"BaudZero", {"--root", "ROOT", "--baud", "0"}, 1, "bad number for --baud: '0'"},
    RefusedStart{"DtStatusOverInt", {"--root", "ROOT", "--dt-status", "2147483648"}, 1, "bad number"},
    RefusedStart{"RareUnsolicited", {"--root", "ROOT", "--unsolicited=1000001"}, 1, "bad number"},
    RefusedStart{"PacketSizeText", {"--root", "ROOT", "--packet-size", "12x"}, 1, "bad number"},
    RefusedStart{"OccurrenceZero", {"--root", "ROOT", "--fail", "x@0"}, 1, "occurrence"},
    RefusedStart{"PatternOnlyAnchor", {"--root", "ROOT", "--fail", "^"}, 1, "empty pattern in '^'"},
    RefusedStart{"UnknownOption", {"--root", "ROOT", "--bogus"},
                 1, "unknown option or missing value: '--bogus'"},
    RefusedStart{"ExtraArgument", {"--root", "ROOT", "extra"}, 1, "unexpected argument"},
    RefusedStart{"MissingRoot", {"--root", "ROOT/missing"}, 2, "root folder "},
    RefusedStart{"DriveCannotBeMade", {"--root", "ROOT/plain"}, 2, "cannot create drive folder "},
    RefusedStart{"LogInMissingFolder", {"--root", "ROOT", "--log", "ROOT/no/log"},
                 2, "cannot open log file "}),
    test_table::ByName());
// clang-format on
