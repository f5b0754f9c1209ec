// Trellup against devsim, one test per kind of device state an upload meets: what ends up in
// the device folder, byte for byte, what autostart.txt says and whether the device was reset.
#include <gtest/gtest.h>

#include "DeviceRig.h"

namespace {

const char kAppFolder[] = "C:\\ZOV";
const char kReboot[] = "AT+[666]REBOOT";

class UploadCase : public ::testing::Test {
protected:
    void SetUp() override {
        app = patternBytes(3000, 7);
        writeFile(rig.work() / "app.vxp", app);
    }
    // Starts devsim and uploads work/<name>.
    ProcessResult uploadApp(const std::vector<std::string>& devsimOptions = {},
                            const std::string& name = "app.vxp") {
        EXPECT_TRUE(rig.start(devsimOptions));
        return rig.upload({"-p", (rig.work() / name).string()});
    }
    fs::path folder() { return rig.drive('C') / "ZOV"; }
    std::string startFile() { return readFile(rig.drive('C') / "autostart.txt"); }

    DeviceRig rig;
    std::string app;
};

TEST_F(UploadCase, FreshDeviceGetsFolderApplicationStartFileAndReset) {
    ProcessResult run = uploadApp();
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(entries(folder()), std::vector<std::string>{"app.vxp"});
    EXPECT_EQ(readFile(folder() / "app.vxp"), app);
    EXPECT_EQ(startFile(), startFileText(kAppFolder, "app.vxp"));
    EXPECT_EQ(rig.count(kReboot), 1u);
    std::string lastLine = run.out.substr(run.out.rfind('\n', run.out.size() - 2) + 1);
    std::string result =
        "Uploaded " + (rig.work() / "app.vxp").string() + " to C:\\ZOV\\app.vxp: 3000 bytes in ";
    EXPECT_EQ(lastLine.compare(0, result.size(), result), 0) << lastLine;
}

TEST_F(UploadCase, StartFileWithoutApplicationIsRewrittenAndFolderEmptiedButForAVxp) {
    writeFile(rig.drive('C') / "autostart.txt", "[autostart]\r\n");
    writeFile(folder() / "a.vxp", "keep");
    writeFile(folder() / "old.vxp", "old");
    ProcessResult run = uploadApp();
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(entries(folder()), (std::vector<std::string>{"a.vxp", "app.vxp"}));
    EXPECT_EQ(readFile(folder() / "a.vxp"), "keep");
    EXPECT_EQ(readFile(folder() / "app.vxp"), app);
    EXPECT_EQ(startFile(), startFileText(kAppFolder, "app.vxp"));
    EXPECT_EQ(rig.count(kReboot), 0u);
}

TEST_F(UploadCase, DeletableRunningApplicationIsReplacedAtItsOwnPath) {
    std::string named = startFileText(kAppFolder, "game.vxp");
    writeFile(rig.drive('C') / "autostart.txt", named);
    writeFile(folder() / "game.vxp", "running");
    writeFile(folder() / "junk.txt", "junk");
    ProcessResult run = uploadApp();
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(entries(folder()), std::vector<std::string>{"game.vxp"});
    EXPECT_EQ(readFile(folder() / "game.vxp"), app);
    EXPECT_EQ(startFile(), named);
    EXPECT_EQ(rig.count(kReboot), 0u);
}

TEST_F(UploadCase, UndeletableRunningApplicationOfTheSameNameGivesTheBName) {
    writeFile(rig.drive('C') / "autostart.txt", startFileText(kAppFolder, "APP.VXP"));
    writeFile(folder() / "APP.VXP", "running");
    ProcessResult run = uploadApp({"--undeletable", "APP.VXP"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(entries(folder()), (std::vector<std::string>{"APP.VXP", "b_app.vxp"}));
    EXPECT_EQ(readFile(folder() / "APP.VXP"), "running");
    EXPECT_EQ(readFile(folder() / "b_app.vxp"), app);
    EXPECT_EQ(startFile(), startFileText(kAppFolder, "b_app.vxp"));
    EXPECT_NE(run.out.find("remove old autostart file and other invalid files.\n"),
              std::string::npos);
}

TEST_F(UploadCase, UndeletableRunningApplicationOfAnotherNameKeepsTheNewName) {
    writeFile(rig.drive('C') / "autostart.txt", startFileText(kAppFolder, "game.vxp"));
    writeFile(folder() / "game.vxp", "running");
    ProcessResult run = uploadApp({"--undeletable", "game.vxp"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(entries(folder()), (std::vector<std::string>{"app.vxp", "game.vxp"}));
    EXPECT_EQ(readFile(folder() / "app.vxp"), app);
    EXPECT_EQ(startFile(), startFileText(kAppFolder, "app.vxp"));
    EXPECT_NE(run.out.find("Does not need to modify txt file, push vxp file C:\\ZOV\\app.vxp.\n"),
              std::string::npos);
}

TEST_F(UploadCase, NamedApplicationAbsentFromTheFolderIsWrittenAtTheNamedPath) {
    std::string named = startFileText(kAppFolder, "gone.vxp");
    writeFile(rig.drive('C') / "autostart.txt", named);
    writeFile(folder() / "other.vxp", "other");
    ProcessResult run = uploadApp();
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(entries(folder()), std::vector<std::string>{"gone.vxp"});
    EXPECT_EQ(readFile(folder() / "gone.vxp"), app);
    EXPECT_EQ(startFile(), named);
}

// -c empties the folder, the running application's file included, so autostart.txt names a
// file of an empty folder: the application goes to the named path, then and in later runs.
TEST_F(UploadCase, CleanOptionEmptiesTheFolderAndLaterUploadsStillSucceed) {
    std::string named = startFileText(kAppFolder, "game.vxp");
    writeFile(rig.drive('C') / "autostart.txt", named);
    for (const char* name : {"game.vxp", "notes.txt", "caf\xc3\xa9.vxp"})
        writeFile(folder() / name, "old");
    EXPECT_TRUE(rig.start());
    for (const char* option : {"-c", "-a"}) {
        ProcessResult run = rig.upload({option, "1", "-p", (rig.work() / "app.vxp").string()});
        ASSERT_EQ(run.status, 0) << option << run.out << run.err;
        EXPECT_EQ(entries(folder()), std::vector<std::string>{"game.vxp"});
        EXPECT_EQ(readFile(folder() / "game.vxp"), app);
    }
    EXPECT_EQ(startFile(), named);
}

TEST_F(UploadCase, RunningApplicationLockedUntilStoppedIsReplacedAfterTheStop) {
    std::string named = startFileText(kAppFolder, "game.vxp");
    writeFile(rig.drive('C') / "autostart.txt", named);
    writeFile(folder() / "game.vxp", "running");
    ProcessResult run = uploadApp({"--lock-running"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(readFile(folder() / "game.vxp"), app);
    EXPECT_EQ(startFile(), named);
}

class NoisyLine : public UploadCase, public ::testing::WithParamInterface<const char*> {};

TEST_P(NoisyLine, UploadStillArrivesWhole) {
    writeFile(rig.drive('C') / "autostart.txt", startFileText(kAppFolder, "game.vxp"));
    writeFile(folder() / "game.vxp", "running");
    ProcessResult run = uploadApp({GetParam(), "--packet-size", "256"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(readFile(folder() / "game.vxp"), app);
}

INSTANTIATE_TEST_SUITE_P(Options, NoisyLine,
                         ::testing::Values("--echo", "--unsolicited=1", "--unsolicited=2"));

TEST_F(UploadCase, SecondDriveHoldingTheStartFileIsChosen) {
    writeFile(rig.drive('D') / "autostart.txt", "[autostart]\r\n");
    ProcessResult run = uploadApp();
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(readFile(rig.drive('D') / "ZOV" / "app.vxp"), app);
    EXPECT_EQ(readFile(rig.drive('D') / "autostart.txt"), startFileText("D:\\ZOV", "app.vxp"));
    EXPECT_FALSE(fs::exists(rig.drive('C') / "ZOV"));
}

TEST_F(UploadCase, WearableKindUsesDriveZWithoutAskingForDrives) {
    fs::path z = rig.drive('Z');
    ASSERT_TRUE(rig.start());
    ProcessResult run = rig.upload({"-d", "wearable", "-p", (rig.work() / "app.vxp").string()});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(rig.countExact("AT+EFSL"), 0u);
    EXPECT_EQ(readFile(z / "@BTZov" / "app.vxp"), app);
    // The default drive root ends in its separator, so the paths hold two in a row.
    EXPECT_EQ(readFile(z / "autostart.txt"), startFileText("Z:\\\\@BTZov", "app.vxp"));
    EXPECT_GE(rig.count("AT+EFSL=\"" + encoded("Z:\\\\@BTZov") + "\""), 1u);
}

} // namespace
