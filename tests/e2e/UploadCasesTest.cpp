// Trellup against devsim, one row per kind of device state an upload meets: what ends up in
// the device folder, byte for byte, what autostart.txt says and whether the device was reset.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "DeviceRig.h"
#include "TableRow.h"

namespace {

const std::string kStartC = "C/autostart.txt";
const std::string kNamesGame = startFileText("C:\\ZOV", "game.vxp");

struct UploadCase : test_table::Row {
    std::vector<std::pair<std::string, std::string>> device; // files under the root before
    std::vector<std::string> devsimOptions;
    std::vector<std::string> options;              // Trellup's, before -p
    std::string appFile;                           // where the application must end up
    std::vector<std::string> folder;               // the application folder's entries afterwards
    std::pair<std::string, std::string> startFile; // its path and text afterwards
    size_t listings;                               // folder listings asked for
    size_t reboots = 0;
    const char* says = "";   // a line of standard output
    const char* logged = ""; // lines of Trellup's log
};

class Upload : public ::testing::TestWithParam<UploadCase> {
protected:
    void SetUp() override { writeFile(rig.work() / "app.vxp", app); }
    fs::path at(const std::string& relative) { return rig.drive(relative[0]) / relative.substr(2); }

    DeviceRig rig;
    std::string app = patternBytes(3000, 7);
};

TEST_P(Upload, LeavesTheApplicationAndItsStartFileInPlace) {
    const UploadCase& c = GetParam();
    for (const auto& file : c.device)
        writeFile(at(file.first), file.second);
    ASSERT_TRUE(rig.start(c.devsimOptions));
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"-p", "app.vxp"}); // a name alone, in the current folder
    ProcessResult run = rig.upload(args);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(ReadHostFile(at(c.appFile)) == app) << c.appFile;
    EXPECT_EQ(entries(at(c.appFile).parent_path()), c.folder);
    EXPECT_EQ(ReadHostFile(at(c.startFile.first)), c.startFile.second);
    EXPECT_EQ(rig.count("AT+EFSL="), c.listings);
    EXPECT_EQ(rig.count("* reboot"), c.reboots); // asked for, and carried out
    // The device is checked and its mode read once more before the result (or the reset).
    std::vector<std::string> sent = rig.commands();
    auto afterCheck = std::find(sent.rbegin(), sent.rend(), "AT").base();
    EXPECT_TRUE(afterCheck != sent.end() && *afterCheck == "AT+ESUO?");
    // The working copy of autostart.txt went to a private folder, removed at exit.
    EXPECT_TRUE(entries(rig.temp()).empty());
    EXPECT_EQ(entries(rig.work()), (std::vector<std::string>{"Trellup", "app.vxp"}));
    EXPECT_NE(run.out.find(c.says), std::string::npos) << run.out;
    // The connection's trace ends before the result, which is the last line.
    EXPECT_EQ(run.out.rfind("\nUploaded "), run.out.rfind('\n', run.out.size() - 2)) << run.out;
    // The log tells the steps of the flow, the result last.
    EXPECT_TRUE(rig.logHolds("Parser argument pass.\nopen port /dev/" + rig.port() + "\n"));
    EXPECT_TRUE(rig.logHolds(c.logged));
    EXPECT_TRUE(rig.logHolds("upload done.\n" + run.out.substr(run.out.rfind("\nUploaded ") + 1)));
}

// The default drive root of the wearable kind ends in its separator, so its paths hold two in
// a row.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, Upload, ::testing::Values(
    UploadCase{"FreshDevice", {}, {}, {}, "C/ZOV/app.vxp", {"app.vxp"},
               {kStartC, startFileText("C:\\ZOV", "app.vxp")}, 6, 1, "Open file app.vxp done.\n"},
    // The running application can be written only once all applications have stopped.
    UploadCase{"RunningApplicationReplacedAtItsPath",
               {{kStartC, kNamesGame}, {"C/ZOV/game.vxp", "run"}, {"C/ZOV/junk.txt", "j"}},
               {"--lock-running"}, {}, "C/ZOV/game.vxp", {"game.vxp"}, {kStartC, kNamesGame}, 6, 0,
               "", "Set current folder C:\\ZOV\n"},
    // Names are the same when they agree, letter case aside, up to the end of the shorter one.
    UploadCase{"UndeletableOfTheSameNameGivesTheBName",
               {{kStartC, startFileText("C:\\ZOV", "APP.V")}, {"C/ZOV/APP.V", "run"}},
               {"--undeletable", "APP.V"}, {}, "C/ZOV/b_app.vxp", {"APP.V", "b_app.vxp"},
               {kStartC, startFileText("C:\\ZOV", "b_app.vxp")}, 7, 0,
               "remove old autostart file and other invalid files.\n",
               "Need to modify txt file C:\\autostart.txt\n"},
    UploadCase{"UndeletableOfAnotherNameKeepsTheNewName",
               {{kStartC, kNamesGame}, {"C/ZOV/game.vxp", "run"}}, {"--undeletable", "game.vxp"},
               {}, "C/ZOV/app.vxp", {"app.vxp", "game.vxp"},
               {kStartC, startFileText("C:\\ZOV", "app.vxp")}, 7, 0,
               "Does not need to modify txt file, push vxp file C:\\ZOV\\app.vxp.\n"},
    UploadCase{"EchoedCommandsAndAnUnsolicitedLineInEveryReply",
               {{kStartC, kNamesGame}, {"C/ZOV/game.vxp", "run"}},
               {"--echo", "--unsolicited=1", "--packet-size", "256"}, {}, "C/ZOV/game.vxp",
               {"game.vxp"}, {kStartC, kNamesGame}, 6, 0, "",
               "current vxp dir = C:\\ZOV\\game.vxp\n"},
    UploadCase{"WearableUsesItsFolderOnDriveZWithoutAskingForDrives", {{"Z/@BTZov/n.txt", "n"}},
               {}, {"-d", "wearable"}, "Z/@BTZov/app.vxp", {"app.vxp", "n.txt"},
               {"Z/autostart.txt", startFileText("Z:\\\\@BTZov", "app.vxp")}, 5, 1},
    // Status 4 is outside the DT mode already: the reset needs no switch first. A start file that
    // names no application leaves only the new one in the folder.
    UploadCase{"ResetFirst", {{kStartC, "[autostart]\r\n"}, {"C/ZOV/junk.txt", "j"}},
               {"--dt-status", "4"}, {"-r", "1"},
               "C/ZOV/app.vxp", {"app.vxp"}, {kStartC, startFileText("C:\\ZOV", "app.vxp")}, 6, 1},
    // -c empties the folder, the running application's file included, so autostart.txt names a
    // file of an empty folder: the application goes to the named path.
    UploadCase{"CleanFolderFirst", {{kStartC, kNamesGame}, {"C/ZOV/game.vxp", "run"},
               {"C/ZOV/notes.txt", "n"}, {"C/ZOV/caf\xc3\xa9.vxp", "c"}}, {}, {"-c", "1"},
               "C/ZOV/game.vxp", {"game.vxp"}, {kStartC, kNamesGame}, 7, 0, "",
               "stop current vxp C:\\ZOV\\game.vxp and delete it.\n"}),
    test_table::ByName());
// clang-format on

} // namespace
