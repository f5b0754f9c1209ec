// Trellup against devsim beyond the upload cases: the removal command, failures and their exit
// statuses as a shell sees them, and refused paths.
#include <gtest/gtest.h>

#include <regex>

#include <fcntl.h>
#include <pty.h>
#include <sys/file.h>
#include <unistd.h>

#include "DeviceRig.h"
#include "ProjectVersion.h"
#include "TableRow.h"

namespace {

class Flow : public ::testing::Test {
protected:
    fs::path folder() { return rig.drive('C') / "ZOV"; }

    DeviceRig rig;
};

struct RemovalCase : test_table::Row {
    std::vector<std::string> appFiles;
    size_t listings; // folder listings asked for
    const char* lastLine;
};

class Removal : public Flow, public ::testing::WithParamInterface<RemovalCase> {};

// A device without application files holds no start file either.
TEST_P(Removal, DeletesStartFileAndEmptiedFolderAndEndsWith1) {
    if (!GetParam().appFiles.empty())
        writeFile(rig.drive('C') / "autostart.txt", startFileText("C:\\ZOV", "game.vxp"));
    for (const std::string& name : GetParam().appFiles)
        writeFile(folder() / name, name);
    ASSERT_TRUE(rig.start());
    ProcessResult run = rig.upload({"-t", "1", "-p", "app.vxp"}); // no such file: none is needed
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_TRUE(entries(rig.drive('C')).empty());
    EXPECT_EQ(rig.count("AT+EFSL="), GetParam().listings);
    EXPECT_EQ(run.out.substr(run.out.rfind('\n', run.out.size() - 2) + 1), GetParam().lastLine);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Removal,
    ::testing::Values(
        RemovalCase{"Whole", {"game.vxp"}, 7, "Removed C:\\autostart.txt and C:\\ZOV\n"},
        RemovalCase{"Nothing", {}, 5, "Nothing to remove on C:\n"}),
    test_table::ByName());

TEST_F(Flow, ApplicationPathTooLongForTheDeviceEndsWith400BeforeAnyWrite) {
    // Z:\\@BTZov\ and the name make 256 characters: one too many.
    std::string name = std::string(241, 'n') + ".vxp";
    writeFile(rig.work() / name, "x");
    fs::create_directories(rig.drive('Z'));
    ASSERT_TRUE(rig.start());
    ProcessResult run = rig.upload({"-d", "wearable", "-p", name});
    EXPECT_EQ(run.status, 400 & 0xFF) << run.out << run.err;
    EXPECT_NE(run.out.find("gives a path longer than 255 characters"), std::string::npos);
}

TEST_F(Flow, PortLockedByAnotherProgramEndsWith100) {
    writeFile(rig.work() / "app.vxp", "x");
    ASSERT_TRUE(rig.start());
    int other = open(("/dev/" + rig.port()).c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    ProcessResult run = rig.upload({"-q", "-p", "app.vxp"});
    close(other);
    EXPECT_EQ(run.status, 100);
    EXPECT_EQ(run.err, "port /dev/" + rig.port() + " is busy: another program has it open\n");
    EXPECT_TRUE(rig.logHolds("Connect to /dev/" + rig.port() + " failed.\n"));
}

const char kFinalLine[] = "Uploaded [^ ]+/app\\.vxp to C:\\\\ZOV\\\\app\\.vxp: 150 bytes in "
                          "[0-9.]+ s \\([0-9.]+ KiB/s\\)\n";
const char kAppFailed[] = "Write target vxp file C:\\\\ZOV\\\\app\\.vxp failed\\.\n";
const std::string kNamesGame = startFileText("C:\\ZOV", "game.vxp");

struct OutcomeCase : test_table::Row {
    std::string startFile; // when not empty, autostart.txt, and C:\ZOV\game.vxp is there
    std::vector<std::string> devsimOptions;
    int status;
    const char* said; // a pattern for all of standard output on success, else standard error
    std::vector<std::string> args = {}; // Trellup's; none: the quiet upload of app.vxp to devsim
    bool tempFolderGone = false;        // TMPDIR names a folder that is not there
    const char* logged = "";            // lines of Trellup's log
};

class Outcome : public Flow, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(Outcome, EndsWithItsStatusAndSaysItOnItsStreamAlone) {
    const OutcomeCase& c = GetParam();
    bool running = !c.startFile.empty();
    if (running) {
        writeFile(rig.drive('C') / "autostart.txt", c.startFile);
        writeFile(folder() / "game.vxp", "running");
    }
    writeFile(rig.work() / "app.vxp", patternBytes(150));
    writeFile(rig.work() / "caf\x80.vxp", "x");
    ASSERT_TRUE(rig.start(c.devsimOptions));
    if (c.tempFolderGone)
        fs::remove(rig.temp());
    // A device path from '/' is taken as it stands.
    std::vector<std::string> upload = {"-q", "-b", "/dev/" + rig.port(), "-p",
                                       (rig.work() / "app.vxp").string()};
    ProcessResult run = rig.trellup(c.args.empty() ? upload : c.args);
    EXPECT_EQ(run.status, c.status & 0xFF);
    bool succeeded = c.status == 0;
    EXPECT_TRUE(std::regex_match(succeeded ? run.out : run.err, std::regex(c.said)))
        << run.out << run.err;
    EXPECT_EQ(succeeded ? run.err : run.out, "");
    EXPECT_TRUE(rig.logHolds(c.logged));
    bool uploaded = succeeded && c.args.empty();
    fs::path target = folder() / (running ? "game.vxp" : "app.vxp");
    EXPECT_EQ(ReadHostFile(target) == patternBytes(150), uploaded) << "a partial file stays";
    if (running && !uploaded) {
        EXPECT_TRUE(ReadHostFile(target) == "running" || !fs::exists(target));
    }
    if (running && c.status == 400) { // found unusable before anything changed
        EXPECT_EQ(ReadHostFile(rig.drive('C') / "autostart.txt"), c.startFile);
    }
}

// Counted on a fresh device, the 7th change to the root comes just before the open of
// autostart.txt; with an application running, the 5th comes just before its read. The folder
// change and the open before each file are one path for both files, so one file's refused
// change and the other's refused open take every branch.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, Outcome, ::testing::Values(
    OutcomeCase{"Uploaded", "", {}, 0, kFinalLine},
    OutcomeCase{"NoAnswer", "", {"--fail", "^AT$"}, 200,
                "The device on /dev/pts/[0-9]+ does not answer AT\\.\n"},
    OutcomeCase{"DriveRootListingFails", "", {"--fail", "AT+EFSL=\"" + Ucs2("C:") + "\"@3"}, 400,
                "List target folder C: failed\\.\n"},
    OutcomeCase{"FolderCannotBeCreated", "", {"--fail", "AT+EFSF=0,"}, 700,
                "Create folder C:\\\\ZOV failed\\.\n"},
    OutcomeCase{"FolderChangeBeforeStartFileRefused", "", {"--fail", "AT+EFSF=3@7"}, 300,
                "Write target file C:\\\\autostart\\.txt failed\\.\n"},
    OutcomeCase{"ApplicationOpenRefused", "", {"--fail", "AT+EFSW=0,@2"}, 300, kAppFailed},
    OutcomeCase{"SecondChunkRefused", "", {"--packet-size", "64", "--fail", "AT+EFSW=2,0,64,@2"},
                300, kAppFailed},
    OutcomeCase{"FolderChangeBeforeReadRefused", kNamesGame, {"--fail", "AT+EFSF=3@5"}, 400,
                "Read target start file C:\\\\autostart\\.txt failed\\.\n"},
    OutcomeCase{"DriveListRefused", "", {"--fail", "^AT+EFSL$"}, 400,
                "Get target driver information failed\\.\n"},
    OutcomeCase{"StaleStartFileDeleteRefused", "[autostart]\r\n", {"--fail", "AT+EFSD"}, 500,
                "Delete file C:\\\\autostart\\.txt failed\\.\n"},
    OutcomeCase{"UndeletableStartFileDeleteRefused", kNamesGame,
                {"--undeletable", "game.vxp", "--fail", "AT+EFSD=\"" + Ucs2("C:\\autostart")},
                500, "Delete file C:\\\\autostart\\.txt failed\\.\n"},
    OutcomeCase{"RunningApplicationOpenRefused", kNamesGame, {"--fail", "AT+EFSW=0,"}, 300,
                "Write target file C:\\\\ZOV\\\\game\\.vxp failed\\.\n"},
    OutcomeCase{"NamedApplicationAbsentOpenRefused", startFileText("C:\\ZOV", "gone.vxp"),
                {"--fail", "AT+EFSW=0,"}, 300, "Write file .*/app\\.vxp failed,\n"},
    OutcomeCase{"NoTemporaryFolder", "", {}, 400,
                "Cannot create a private temporary folder: No such file or directory\n", {}, true},
    OutcomeCase{"StartFileNamesTooLongAPath",
                "[autostart]\r\nApp=C:\\ZOV\\" + std::string(300, 'g') + ".vxp\r\n", {}, 400,
                "The device's start file names a path of 255 or more characters\\.\n"},
    OutcomeCase{"StartFileNamesAPathOutsideAscii",
                "[autostart]\r\nApp=C:\\ZOV\\g\xc3\xa9.vxp\r\n", {}, 400,
                ".*a path outside ASCII\\.\n"},
    // Refused before the line is opened: an unusable application file too. The name holds a
    // lone byte 0x80, the first outside ASCII.
    OutcomeCase{"Help", "", {}, 0, "Usage: Trellup [\\s\\S]*", {"--help"}},
    OutcomeCase{"Version", "", {}, 0, "Trellup " PROJECT_VERSION_STRING "\n", {"--version"}},
    OutcomeCase{"NoLine", "", {}, 1, "no serial device given \\(-b\\)\nUsage: [\\s\\S]*",
                {"-p", "app.vxp"}},
    OutcomeCase{"MissingPort", "", {}, 100, "Connect to /dev/no-such-line failed\\.\n",
                {"-q", "-b", "no-such-line", "-p", "app.vxp"}, false,
                "Open port /dev/no-such-line failed.\nConnect to /dev/no-such-line failed.\n"},
    // No machine this runs on has a USB serial port; the ports found follow, one a line.
    OutcomeCase{"AutoWithoutAUsbPort", "", {}, 100,
                "-b auto needs exactly one USB serial port; found [0-9]+ port\\(s\\)(\n|:\n(  .*\n)+)",
                {"-q", "-b", "auto", "-p", "app.vxp"}},
    OutcomeCase{"MissingApplication", "", {}, 300,
                "Open file absent\\.vxp failed, error = No such file or directory\n",
                {"-q", "-b", "no-such-line", "-p", "absent.vxp"}},
    OutcomeCase{"ApplicationNamedOutsideAscii", "", {}, 1,
                "The file name caf\x80\\.vxp holds characters outside ASCII\\.\n",
                {"-q", "-b", "no-such-line", "-p", "./caf\x80.vxp"}}),
    test_table::ByName());
// clang-format on

// Everything the terminal showed of a run whose standard error is that terminal; `tail` ends the
// shell's command line: options and where standard output goes.
std::string onTerminal(DeviceRig& rig, const std::string& tail) {
    int master = -1;
    int slave = -1;
    EXPECT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    std::string command = "exec ./Trellup -b \"$0\" -p app.vxp " + tail;
    ChildProcess run({"/bin/sh", "-c", command, rig.port()}, rig.work().string(), slave);
    close(slave);
    std::string shown;
    char buffer[4096];
    for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;)
        shown.append(buffer, static_cast<size_t>(n));
    EXPECT_EQ(run.finish(240000).status, 0) << shown;
    close(master);
    return shown;
}

TEST_F(Flow, ProgressLineIsDrawnOnATerminalOnlyWhereNoTraceLineBreaksIt) {
    // Standard error that is no terminal never shows it: the quiet upload row's is empty.
    writeFile(rig.work() / "app.vxp", patternBytes(3000));
    ASSERT_TRUE(rig.start({"--packet-size", "1024"}));
    EXPECT_EQ(onTerminal(rig, ">&2").find("3000 of 3000 bytes"), std::string::npos);
    std::string quiet = onTerminal(rig, "-q >&2"); // the line ends when the upload does
    EXPECT_TRUE(
        std::regex_search(quiet, std::regex("\r3000 of 3000 bytes, [^\r\n]* s left +\r?\n")));
    EXPECT_NE(onTerminal(rig, ">/dev/null").find("\r1024 of 3000 bytes"), std::string::npos);
}

} // namespace
