// vxpdev run as a process against devsim as a process: every subcommand with its exit status
// and output (JSON parsed), devsim's faults, names outside ASCII and round trips.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iterator>
#include <sstream>

#include "ListingFault.h"
#include "PortChoice.h"
#include "VxpdevRun.h"
#include "TableRow.h"

namespace {

const char kApp[] = "hello";
// "\u00F1and\u00FA.txt": UTF-8 on the host, UCS-2 on the line.
#define WIDE_NAME "\303\261and\303\272.txt"

// A device with C:\autostart.txt naming C:\ZOV\app.vxp, which holds "hello", beside a file
// whose name is outside ASCII; big.bin of 5000 bytes and hallo.txt in the work folder.
class Device : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(rig.drive('C') / "autostart.txt", startFileText("C:\\ZOV", "app.vxp"));
        writeFile(zov() / "app.vxp", kApp);
        writeFile(zov() / WIDE_NAME, "x");
        fs::create_directories(rig.drive('C') / "EMPTY");
        writeFile(rig.work() / "big.bin", patternBytes(5000));
        writeFile(rig.work() / "hallo.txt", "Hello"); // "hello" but for its first byte
        fs::create_directories(rig.work() / "in" / "app.vxp" / "x"); // where a get cannot write
    }
    ProcessResult run(const std::vector<std::string>& args) {
        std::vector<std::string> all = {"-b", rig.port()};
        all.insert(all.end(), args.begin(), args.end());
        return runVxpdev(all, rig.work());
    }
    nlohmann::json json(const std::vector<std::string>& args) {
        ProcessResult result = run(args);
        EXPECT_EQ(result.status, 0) << result.err;
        nlohmann::json document = nlohmann::json::parse(result.out);
        EXPECT_EQ(result.out, document.dump(2) + "\n") << "indented by two, one document";
        return document;
    }
    fs::path zov() { return rig.drive('C') / "ZOV"; }

    DeviceRig rig;
};

struct CommandCase : test_table::Row {
    const char* devsim; // its options and the command line, words split at blanks; null: no
                        // device, and no -b before the command line
    std::string args;
    int status;
    const char* out;   // a part of standard output or error; null: no output at all
    const char* after; // under the device root: "+path" must exist, "-path" must not
};

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

class Commands : public Device, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(Commands, EndWithTheirStatusAndOutput) {
    const CommandCase& c = GetParam();
    ASSERT_TRUE(c.devsim == nullptr || rig.start(words(c.devsim)));
    setenv("TMPDIR", rig.work().c_str(), 1);
    ProcessResult result = c.devsim ? run(words(c.args)) : runVxpdev(words(c.args), rig.work());
    unsetenv("TMPDIR");
    for (const fs::path& file : fs::recursive_directory_iterator(rig.work()))
        EXPECT_EQ(file.filename().string().find("vxpdev-"), std::string::npos) << file;
    EXPECT_EQ(result.status, c.status) << result.err;
    const std::string text = result.out + result.err;
    EXPECT_TRUE(c.status != 0 || result.err.empty()) << result.err; // no trace unless asked
    if (c.out == nullptr)
        EXPECT_EQ(result.out, "");
    else
        EXPECT_NE(text.find(c.out), std::string::npos) << text;
    if (c.after != nullptr) {
        EXPECT_EQ(fs::exists(rig.drive('C') / (c.after + 1)), c.after[0] == '+') << c.after;
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Device, Commands, ::testing::Values(
    CommandCase{"Info", "", "info", 0, "DT status: 4\npacket size: 1024\n", nullptr},
    CommandCase{"InfoWithoutPacketSize", "--packet-size none", "info", 0, "size: 64\n", nullptr},
    CommandCase{"InfoDrivesUnlisted", "--fail AT+EFSL$", "info", 2, "did not list its drives", nullptr},
    CommandCase{"InfoStartFileUnread", "--fail AT+EFSR=", "info", 2, "vxpdev: C:\\autostart.txt: cannot be read from the device\n", nullptr},
    CommandCase{"LsLong", "", "ls -l C:/ZOV", 0, "file            5  app.vxp\n", nullptr},
    CommandCase{"LsOneFile", "", "ls C:/ZOV/app.vxp", 0, "app.vxp\n", nullptr},
    // Too long to be listed in one command: the folders on the way are entered first.
    CommandCase{"LsMissingFolderOnTheWay", "", "ls C:/" + std::string(40, 'a') + "/" + std::string(30, 'b'), 3, "no such file or folder", nullptr},
    CommandCase{"LsMissingDrive", "", "ls Q:", 3, nullptr, nullptr},
    CommandCase{"LsError", "--fail AT+EFSL=", "ls C:", 2, nullptr, nullptr},
    CommandCase{"Cat", "", "cat C:\\ZOV\\app.vxp", 0, kApp, nullptr},
    CommandCase{"CatFolder", "", "cat C:/ZOV", 3, "a folder, not a file", nullptr},
    CommandCase{"GetIntoMissingFolder", "", "get C:/ZOV/app.vxp none/app.vxp", 3, "cannot be written on this computer", nullptr},
    CommandCase{"VerifyMissing", "", "verify big.bin C:/ZOV/nope", 3, "no such file", nullptr},
    CommandCase{"VerifyMissingPcFile", "", "verify none.bin C:/ZOV/app.vxp", 3, "no such readable", nullptr},
    CommandCase{"VerifySizes", "", "verify big.bin C:/ZOV/app.vxp", 3, "sizes differ: big.bin has 5000 bytes, C:\\ZOV\\app.vxp has 5\n", nullptr},
    CommandCase{"VerifyByte", "", "verify hallo.txt C:/ZOV/app.vxp", 3, "differ at offset 0: hallo.txt and C:\\ZOV\\app.vxp\n", nullptr},
    CommandCase{"PutOutsideAscii", "", "put big.bin C:/ZOV/new" WIDE_NAME, 0, nullptr, "+ZOV/new" WIDE_NAME},
    CommandCase{"CatOutsideAscii", "", "cat C:/ZOV/" WIDE_NAME, 2, "names outside ASCII cannot be read", nullptr},
    CommandCase{"CatCmeError", "--fail AT+EFSR=12", "cat C:/ZOV/app.vxp", 2, nullptr, nullptr},
    CommandCase{"RmUndeletable", "--undeletable app.vxp", "rm C:/ZOV/app.vxp", 2, "refused", "+ZOV/app.vxp"},
    CommandCase{"Mkdir", "", "mkdir C:/NEW", 0, nullptr, "+NEW"},
    CommandCase{"Rmdir", "", "rmdir C:/EMPTY", 0, nullptr, "-EMPTY"},
    CommandCase{"Stop", "", "stop", 0, nullptr, nullptr},
    CommandCase{"StopRefused", "--fail EXIT_ALL", "stop", 2, "vxpdev: the device refused to stop its applications\n", nullptr},
    CommandCase{"ResetRefused", "--fail REBOOT", "reset", 2, "vxpdev: the device refused to reboot\n", nullptr},
    CommandCase{"PutFailing", "--fail AT+EFSW=2,0@3", "put big.bin C:/ZOV/big.bin", 2, "nothing was left", "-ZOV/big.bin"},
    CommandCase{"PutMissingFile", "", "put none.bin C:/ZOV/none.bin", 3, "vxpdev: none.bin: no such readable file on this computer\n", nullptr},
    CommandCase{"PutIntoMissingFolder", "", "put big.bin C:/NOPE/big.bin", 3, "no such file or folder", nullptr},
    CommandCase{"NoAnswerToAt", "--fail ^AT$", "ls", 2, "does not answer AT", nullptr},
    CommandCase{"PutExisting", "", "put hallo.txt C:/ZOV/app.vxp", 1, "vxpdev: C:\\ZOV\\app.vxp: exists on the device (-f replaces it)\n", "+ZOV/app.vxp"},
    CommandCase{"GetExisting", "", "get C:/ZOV/app.vxp hallo.txt", 1, "vxpdev: hallo.txt: exists on this computer (-f replaces it)\n", nullptr},
    CommandCase{"PutIntoAFolder", "", "put -f ./hallo.txt C:/ZOV", 0, nullptr, "+ZOV/hallo.txt"},
    // The temporary copy beside a folder that blocks the name does not stay.
    CommandCase{"GetOntoAFolder", "", "get -f C:/ZOV/app.vxp in", 3, "cannot be written on this computer", nullptr},
    CommandCase{"Help", nullptr, "--help", 0, "Exit status", nullptr},
    CommandCase{"Version", nullptr, "--version", 0, ".", nullptr},
    CommandCase{"PortCannotOpen", nullptr, "-b /nonexistent/tty ls", 2, "cannot open the port /nonexistent/tty\n", nullptr},
    CommandCase{"PortNameTooLong", nullptr, "-b " + std::string(300, 'p') + " ls", 1, "not a usable serial device", nullptr}),
    test_table::ByName());
// clang-format on

TEST_F(Device, JsonDocumentsTraceAndInfoWithoutTemporaryFolderOrStartFile) {
    ASSERT_TRUE(rig.start());
    nlohmann::json ls = json({"--json", "ls", "C:/ZOV"});
    ASSERT_EQ(ls["entries"].size(), 2u);
    EXPECT_EQ(ls["entries"][0],
              (nlohmann::json{{"name", "app.vxp"}, {"size", 5}, {"kind", "file"}}));
    EXPECT_EQ(ls["entries"][1]["name"], WIDE_NAME);
    nlohmann::json info = json({"info", "--json"});
    EXPECT_EQ(info["application"], "C:\\ZOV\\app.vxp");
    EXPECT_EQ(info["packetSize"], 1024);
    EXPECT_EQ(info["drives"][0]["name"], "C:");
    EXPECT_LE(info["drives"][0]["free"].get<uint64_t>(), 2147483647u); // as the device gave it
    nlohmann::json df = json({"--json", "df"});
    EXPECT_EQ(df["drives"], info["drives"]);
    ProcessResult traced = run({"--trace", "ls"}); // the serial trace on standard error
    EXPECT_EQ(traced.out, "C:\n");
    EXPECT_NE(traced.err.find("[txd] AT+EFSL"), std::string::npos) << traced.err;

    setenv("TMPDIR", (rig.work() / "missing").c_str(), 1);
    ProcessResult result = run({"info"});
    unsetenv("TMPDIR");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("cannot make a temporary file in "), std::string::npos) << result.err;
    fs::remove(rig.drive('C') / "autostart.txt");
    EXPECT_EQ(json({"--json", "info"})["application"], nullptr);
}

// Many chunks each way; a path too long for one command is walked as the listing rows show.
TEST_F(Device, PutVerifyGetGiveTheSameBytes) {
    std::string bytes = patternBytes(100 * 1024, 3);
    writeFile(rig.work() / "in.bin", bytes);
    ASSERT_TRUE(rig.start());
    ASSERT_EQ(run({"put", "in.bin", "C:/ZOV/f.bin"}).status, 0);
    EXPECT_EQ(ReadHostFile(zov() / "f.bin"), bytes);
    nlohmann::json verdict = json({"--json", "verify", "in.bin", "C:/ZOV/f.bin"});
    EXPECT_EQ(verdict["same"], true);
    EXPECT_EQ(verdict["deviceSize"], bytes.size());
    ASSERT_EQ(run({"get", "C:/ZOV/f.bin", "out.bin"}).status, 0);
    EXPECT_EQ(ReadHostFile(rig.work() / "out.bin"), bytes);
}

// Ports listed, sorted by path, as text and JSON; -b auto needs a listing (here made to fail, or
// to hold one adapter) with exactly one USB port.
TEST(Ports, ListedAndAutoNeedsOneUsbPort) {
    std::string port;
    ::testing::internal::CaptureStderr();
    FailNextPortListing();
    EXPECT_EQ(ResolvePortOption("auto", port), 2);
    std::vector<SerialPortInfo> listed; // the adapter, then a port whose ids and texts are unknown
    FailNextPortListing();
    EXPECT_FALSE(ListPorts(listed));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "vxpdev: the serial ports cannot be listed\n"
              "vxpdev: the serial ports cannot be listed\n");
    ListUsbAdapterNext();
    EXPECT_EQ(ResolvePortOption("auto", port), 0);
    EXPECT_EQ(port, "/dev/ptmx");
    ListUsbAdapterNext();
    ASSERT_TRUE(ListPorts(listed));
    EXPECT_EQ(DescribePorts(listed),
              "  /dev/ptmx 1a86:0000 Maker Adapter A1\n  /dev/tty (not USB)\n");
    const nlohmann::json shown = PortsDocument(listed)["ports"];
    EXPECT_EQ(shown[0]["productId"], 0); // only -1 means unknown
    EXPECT_EQ(shown[1]["vendorId"], nullptr);
    EXPECT_EQ(shown[1]["serial"], nullptr);
    ProcessResult result = runVxpdev({"ports", "--json"}, fs::temp_directory_path());
    ASSERT_EQ(result.status, 0) << result.err;
    const nlohmann::json ports = nlohmann::json::parse(result.out).at("ports");
    if (std::count_if(ports.begin(), ports.end(), [](auto& p) { return p.at("usb") == true; }) == 1)
        GTEST_SKIP() << "this machine has one USB serial port";
    result = runVxpdev({"-b", "auto", "ls"}, fs::temp_directory_path());
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("exactly one USB serial port"), std::string::npos) << result.err;
}

} // namespace
