// Varnel run as a process in a temporary folder: command line, packed layout with an
// independent signature check, warnings and their --strict failures, and every refusal leaving
// the application file exactly as it was.
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "PackedReader.h"
#include "ProjectVersion.h"
#include "TagTable.h"
#include "TestFiles.h"
#include "TableRow.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class PackRun : public TempFolder {
protected:
    // Packs app.axf (fresh content) with extra arguments; answers the status.
    int Pack(const std::string& args = "", const Bytes& content = SampleContent(5000)) {
        WriteAll(Path("app.axf"), content);
        return RunVarnel("-i '" + Path("app.axf") + "' " + args);
    }
};

TEST_F(PackRun, LayoutRenameDateFileAndSignature) {
    Param("\xEF\xBB\xBF[Param]\nAppName=Demo\nAppType=vpd\n"); // the mark must not hide [Param]
    WriteAll(Path("app.vxp"), Bytes(3, 9));                    // an older output is replaced
    ASSERT_EQ(Pack("-h"), 0) << m_output;
    EXPECT_PRED2(Contains, m_output, "Varnel Command Shell v3.1329.00\n");
    EXPECT_NE(access(Path("app.axf").c_str(), F_OK), 0);
    const Bytes packed = ReadAll(Path("app.vxp"));
    EXPECT_PRED2(Contains, m_output,
                 "Packed " + Path("app.axf") + " -> " + Path("app.vxp") +
                     ": content 5000 bytes, tag block " +
                     std::to_string(packed.size() - 5000 - PACK_OVERHEAD) + " bytes, signed.\n");
    const Bytes content = SampleContent(5000);
    EXPECT_TRUE(std::equal(content.begin(), content.end(), packed.begin()));
    // Its signature, content length and zero reserved bytes are vxpinfo's checks of a packed
    // file. The date record repeats the validity start, its last word 0.
    const PackedReport report = ReadPackedMemory(packed.data(), packed.size());
    EXPECT_EQ(report.status, PackedStatus::Valid) << report.problem;
    const Bytes dates = ReadAll(Path("app.dbg"));
    for (const TagRecord& tag : report.tags)
        EXPECT_TRUE(tag.id != TAG_VALID_FROM || dates == tag.value);
    WriteAll(Path("app.vxp"), content); // named as packed already: nothing to rename
    ASSERT_EQ(RunVarnel("-i '" + Path("app.vxp") + "'"), 0) << m_output;
    EXPECT_EQ(ReadAll(Path("app.dbg")).size(), 2u * DATE_RECORD_SIZE);
}

struct RunCase : test_table::Row {
    std::string ini;
    const char* shell; // before Varnel, in the test folder
    std::string args;
    int status;
    const char* message;
};

class VarnelRun : public TempFolder, public ::testing::WithParamInterface<RunCase> {};

TEST_P(VarnelRun, EndsWithItsStatusAndLeavesTheFileAsItWas) {
    Param(GetParam().ini);
    WriteAll(Path("app.axf"), SampleContent(7000));
    EXPECT_EQ(
        Run("cd '" + m_folder.Path() + "' && " + GetParam().shell + " ./Varnel " + GetParam().args),
        GetParam().status);
    EXPECT_PRED2(Contains, m_output, GetParam().message);
    EXPECT_EQ(m_output.find(" failed "), m_output.rfind(" failed ")) << "one failure reported";
    EXPECT_EQ(ReadAll(Path("app.axf")), SampleContent(7000));
    EXPECT_EQ(Run("ls -p '" + m_folder.Path() + "' | grep -v /"), 0); // folders are the shell's
    EXPECT_EQ(m_output, "Varnel\napp.axf\nparam.ini\n");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, VarnelRun, ::testing::Values(
    RunCase{"NoArguments", "", "", "", 1, "Invalid command arguments.\n"},
    RunCase{"NoTarget", "", "", "app.axf", 1, "please specify pack target file path.\n"},
    RunCase{"Help", "", "", "-i x --help", 0, "usage: Varnel -i FILE"},
    RunCase{"Version", "", "", "--version", 0, "Varnel " PROJECT_VERSION_STRING "\n"},
    RunCase{"LongPath", "", "", "-i app.axf -o " + std::string(260, 'p'), 1, "longer than 259 bytes"},
    RunCase{"OutputPathOf259", "", "", "-i app.axf -o " + std::string(259, 'p'), 2, "p.dbg is longer than 259 bytes.\n"},
    // Values named like options are still the values of -i, -c and -o.
    RunCase{"MissingTarget", "", "", "-i --version -c --help", 2, "--help: No such file or directory; every parameter takes its default\nCreate file  --version failed No such file or directory\n"},
    RunCase{"MissingTargetWithOutput", "", "", "-i nothing.axf -o --help", 2, "Create file  nothing.axf failed No such file or directory\n"},
    RunCase{"DeviceTarget", "[Param]\n", "", "-i /dev/null", 2, "/dev/null is not a regular file; nothing was packed.\n"},
    // The checker's own table has the other problems; each takes this path.
    RunCase{"StrictParamProblem", "[Other]\nAppName=x\n", "", "-i app.axf --strict", 2, "Error: ./param.ini has no [Param] section; every parameter takes its default\nNothing was packed: --strict makes every warning an error.\n"},
    RunCase{"BadNumber", "[Param]\nAppType=vxp\nMemorySize=abc\n", "", "-i app.axf", 2, "Invalid converstion for: abc\n"},
    RunCase{"LongText", "[Param]\nAppType=vxp\nDescText=" + std::string(600, 'd'), "", "-i app.axf", 2, "Parameter DescText is too long: at most 511 characters.\n"},
    // The shell counts the limit in 512-byte blocks: 14 let the append start and then fail, and
    // the part written is cut back; 7 stop the copy of the content itself.
    RunCase{"FileSizeLimit", "[Param]\nAppType=vxp\n", "ulimit -f 14;", "-i app.axf", 2, "Write file app.axf failed File too large"},
    RunCase{"OutputFolderMissing", "[Param]\n", "", "-i app.axf -o nowhere/app.vxp", 2, "Create file  nowhere/app.vxp failed No such file or directory\n"},
    RunCase{"RenameOntoAFolder", "[Param]\nAppType=vxp\n", "mkdir -p app.vxp/x;", "-i app.axf", 2, "Rename app.axf to app.vxp failed Is a directory\n"},
    RunCase{"OutputOverFileSizeLimit", "[Param]\n", "ulimit -f 14;", "-i app.axf -o out.vxp", 2, "Write file out.vxp failed File too large"},
    RunCase{"OutputContentOverFileSizeLimit", "[Param]\n", "ulimit -f 7;", "-i app.axf -o out.vxp", 2, "Write file out.vxp failed File too large"},
    RunCase{"OutputIsAFolder", "[Param]\n", "mkdir .o;", "-i app.axf -o .o", 2, "to .o failed Is a directory\n"}),
    test_table::ByName());
// clang-format on

TEST_F(PackRun, AlreadyPackedAndHugeTargetsAreRefused) {
    Param("[Param]\nAppType=vxp\n");
    ASSERT_EQ(Pack(), 0);
    const Bytes packed = ReadAll(Path("app.vxp"));
    EXPECT_EQ(RunVarnel("-i '" + Path("app.vxp") + "'"), 2);
    EXPECT_PRED2(Contains, m_output, "app.vxp is already packed");
    EXPECT_EQ(ReadAll(Path("app.vxp")), packed);

    WriteAll(Path("big.axf"), {});
    ASSERT_EQ(truncate(Path("big.axf").c_str(), 1ll << 32), 0); // sparse: no disk space taken
    EXPECT_EQ(RunVarnel("-i '" + Path("big.axf") + "'"), 2);
    EXPECT_PRED2(Contains, m_output, "big.axf is too large: 4294967296 bytes, at most 4294967295");
}

} // namespace
