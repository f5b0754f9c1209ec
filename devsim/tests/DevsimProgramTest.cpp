// The devsim program as a user meets it: help, version, and each refusal of its command line with
// its exit status and message; the line it offers, as clients find it and leave it. What it
// answers on its line the end-to-end runs show.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "DevsimProcess.h"
#include "ProjectVersion.h"
#include "TableRow.h"

using namespace devsim_test;

struct RefusedStart : test_table::Row {
    std::vector<std::string> args; // ROOT stands for a temporary folder
    int status;
    const char* says; // after "devsim: " on standard error; help and version: their first line
};

class DevsimRefused : public ::testing::TestWithParam<RefusedStart> {};

TEST_P(DevsimRefused, EndsWithItsStatusAndAMessage) {
    TempFolder tmp;
    DevsimProcess device;
    ::mkdir(tmp.Sub("plain").c_str(), 0755);
    WriteHostFile(tmp.Sub("plain/C"), "a file, not a drive");
    std::vector<std::string> args = GetParam().args;
    for (std::string& arg : args)
        if (arg.compare(0, 4, "ROOT") == 0)
            arg = tmp.Path() + arg.substr(4);
    bool printed = device.Start(args);
    ProcessResult end = device.Wait();
    EXPECT_EQ(end.status, GetParam().status);
    // Help and version are the only first lines that are no terminal's path.
    std::string said = printed ? device.FirstLine() : end.err;
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

// Whether a client finds the line as devsim offers it: raw at 115200, free for exclusive use.
bool OfferedAfresh(int fd) {
    termios line{};
    int exclusive = 1;
    return tcgetattr(fd, &line) == 0 && cfgetospeed(&line) == B115200 &&
           (line.c_lflag & ECHO) == 0 && ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive == 0;
}

// What the client reads back within the deadline after sending `sent`, up to `length` bytes.
std::string Exchange(int fd, const std::string& sent, size_t length) {
    EXPECT_EQ(write(fd, sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
    std::string reply;
    Eventually(
        [&] {
            char buffer[256];
            pollfd entry = {fd, POLLIN, 0};
            ssize_t got = poll(&entry, 1, 100) > 0 ? read(fd, buffer, sizeof buffer) : 0;
            reply.append(buffer, static_cast<size_t>(std::max<ssize_t>(got, 0)));
            return reply.size() >= length;
        },
        std::chrono::milliseconds(kExitDeadlineMs));
    return reply;
}

// The longest line is a chunk of 64 KiB in hex with 256 characters to spare: 131328; one more
// is answered ERROR. What a client leaves on the line (its settings, its exclusive use) is undone
// once it has closed it.
TEST(DevsimLine, TakesItsLongestLineAndIsOfferedAfreshOnceItsClientLeaves) {
    TempFolder tmp;
    DevsimProcess device;
    ASSERT_TRUE(device.Start({"--root", tmp.Path()}));
    auto openLine = [&] { return ::open(device.FirstLine().c_str(), O_RDWR | O_NOCTTY); };
    int client = openLine();
    EXPECT_TRUE(OfferedAfresh(client));
    const std::string longest = "AT+ESUO=" + std::string(131319, ' ') + "3\r";
    EXPECT_EQ(Exchange(client, longest + "AT+ESUO= " + longest.substr(8), 15),
              "\r\nOK\r\n\r\nERROR\r\n");
    termios changed{};
    tcgetattr(client, &changed);
    changed.c_lflag |= ECHO;
    cfsetspeed(&changed, B9600);
    tcsetattr(client, TCSANOW, &changed);
    ioctl(client, TIOCEXCL);
    close(client);
    EXPECT_TRUE(Eventually(
        [&] {
            int fd = openLine();
            bool afresh = OfferedAfresh(fd);
            close(fd);
            return afresh;
        },
        std::chrono::milliseconds(kExitDeadlineMs)));
    EXPECT_EQ(device.Stop(SIGTERM).status, 0);
}
