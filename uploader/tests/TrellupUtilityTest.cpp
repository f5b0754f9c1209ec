// The upload tool's command line, start-file text and log file.
#include "TrellupUtility.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "DevsimProcess.h"

namespace {

using namespace devsim_test;

// What ParseArguments answers for the command line (program name not included).
int Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "Trellup");
    std::vector<char*> argv = ArgvOf(args);
    char vxp[TRELLUP_PATH_SIZE], device[TRELLUP_PATH_SIZE];
    COMMAND_TYPE_ENUM command;
    DEVICE_TYPE_ENUM kind;
    bool resetFirst, cleanFolder, quiet;
    return ParseArguments(static_cast<int>(args.size()), argv.data(), vxp, device, &command, &kind,
                          &resetFirst, &cleanFolder, &quiet);
}

TEST(CommandLine, RefusesWhatCannotBeUsed) {
    EXPECT_EQ(Parse({"-p", "a", "-b", "x", "-b", std::string(255, 'b')}), 1);
    EXPECT_EQ(Parse({"-b", "pts/1"}), 1);                  // no application path
    EXPECT_EQ(Parse({"-x", "-b", "x", "-p", "a.vxp"}), 1); // outside the table
    EXPECT_EQ(Parse({"-b", "x", "-p", std::string(256, 'a')}), 1);
    EXPECT_EQ(Parse({"-b", "x", "-p", std::string(255, 'a')}), 0);
    EXPECT_EQ(Parse({"-p", "a", "-b", std::string(251, 'b')}), 1); // "/dev/" + 251
    EXPECT_EQ(Parse({"-p", "a", "-b", "/" + std::string(255, 'b')}), 1);
    EXPECT_EQ(Parse({"-p", "a", "-b", "/" + std::string(254, 'b')}), 0);
}

TEST(CommandLine, LogsItsReasonsInTheLogFolder) {
    TempFolder temp;
    const std::string& folder = temp.Path();
    // A folder whose path leaves no room for the log file's name.
    std::string deep = folder;
    for (char c : {'d', 'e'}) {
        deep += "/" + std::string(250, c);
        ASSERT_EQ(mkdir(deep.c_str(), 0700), 0);
    }
    EXPECT_FALSE(openLogFileAt((deep + "/").c_str()));
    ASSERT_TRUE(openLogFileAt(folder.c_str()));
    EXPECT_EQ(Parse({}), 1);
    Parse({"-x"});
    Parse({"-b", "pts/9"});
    Parse({"-p", std::string(256, 'p')});
    closeLogFile();
    EXPECT_EQ(log_output("after close\n"), -1);

    // The log is named after the local time it was opened: month, day, year, then the clock.
    char today[16];
    time_t now = time(nullptr);
    strftime(today, sizeof today, "%m-%d-%Y-", localtime(&now));
    std::string log;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string name = entry.path().filename();
        if (name.rfind("Trellup_Dump_", 0) == 0) {
            EXPECT_EQ(name.substr(13, 11), today);
            log = ReadHostFile(entry.path());
        }
    }
    EXPECT_EQ(log.compare(0, 28, "Command argument incorrect.\n"), 0) << log;
    for (const char* lines :
         {"Command parameter number = 2\nParameter 0 = Trellup\nParameter 1 = -x\nError: "
          "ParseArguments(): invalid argument flag (?)\n",
          "option -p makes a path longer than 255 characters.\n",
          "device path /dev/pts/9\nvxp file path \nError: ParseArguments() parameter is defect. "
          "please make sure you have setup -i, -e, -c option.\n"})
        EXPECT_NE(log.find(lines), std::string::npos) << lines;
}

// Beyond the number kept, the oldest logs go (of two as old, the name that sorts first); other
// files and folders stay.
TEST(LogFolder, KeepsTheNewestLogsOnly) {
    TempFolder temp;
    const std::pair<const char*, time_t> logs[] = {{"0", 100}, {"1", 300}, {"2", 200}, {"3", 200}};
    for (auto [name, time] : logs) {
        std::string path = temp.Sub(std::string("Trellup_Dump_") + name);
        WriteHostFile(path, "");
        const timespec times[2] = {{time, 0}, {time, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
    WriteHostFile(temp.Sub("Trellup_other"), "");
    ASSERT_EQ(mkdir(temp.Sub("Trellup_Dump_folder").c_str(), 0700), 0);
    pruneLogFolder(temp.Path().c_str(), 2);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(temp.Path()))
        left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"Trellup_Dump_1", "Trellup_Dump_3",
                                              "Trellup_Dump_folder", "Trellup_other"}));
}

// The folder keeps its separator; a backslash separates only where no slash is.
TEST(SplitFilePath, GivesFolderNameAndExtension) {
    char dir[TRELLUP_PATH_SIZE], name[TRELLUP_PATH_SIZE], ext[TRELLUP_PATH_SIZE];
    ASSERT_TRUE(splitfilepath("D:\\apps\\a.vxp", dir, name, ext));
    EXPECT_EQ(std::string(dir) + "|" + name + "|" + ext, "D:\\apps\\|a.vxp|vxp");
}

// The text Trellup writes, and its reading of what the device held before, the end-to-end
// uploads check byte for byte; here the lines a device's own start file may hold.
TEST(StartFile, FindsTheFirstLineKeyedAppAndRefusesTooLongAText) {
    TempFolder temp;
    const std::string& folder = temp.Path();
    std::string path = folder + "/autostart.txt";
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"APP = x\r\n", "unchanged"}, // the key is "APP "
        {"  App=  x  \r\n", "x"},     // value trimmed
        {"[autostart]\r\nApple=1\r\napp=b\r\nApp=c\r\n", "b"},
        {"App=\r\n", ""}, // an empty value counts
        {"no key here\r\n\r\n", "unchanged"},
    };
    for (const Case& c : cases) {
        WriteHostFile(path, c.text);
        char name[TRELLUP_PATH_SIZE] = "unchanged";
        EXPECT_TRUE(getCurrentVXPNameFromTxt(path.c_str(), name));
        EXPECT_STREQ(name, c.expected) << c.text;
    }
    WriteHostFile(path, "App=" + std::string(400, 'n') + "\r\n");
    char name[TRELLUP_PATH_SIZE] = "";
    EXPECT_TRUE(getCurrentVXPNameFromTxt(path.c_str(), name));
    EXPECT_EQ(std::string(name), std::string(255, 'n'));
    EXPECT_FALSE(getCurrentVXPNameFromTxt(folder.c_str(), name)); // a folder, not a file
    EXPECT_TRUE(generateNewTxt(path.c_str(), std::string(998, 'f').c_str(), "a.vxp")); // 1023 bytes
    EXPECT_FALSE(generateNewTxt(path.c_str(), std::string(999, 'f').c_str(), "a.vxp"));
}

} // namespace
