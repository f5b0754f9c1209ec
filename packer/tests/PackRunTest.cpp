// Varnel run as a process in a temporary folder with its own param.ini: the packed layout,
// renaming and date file, an independent check of the signature with the openssl command
// line, and every failure leaving the application file exactly as it was.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Sign.h"
#include "TagTable.h"
#include "Utility.h"
#include "vmmd5.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const Bytes& data) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

Bytes SampleContent(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(i * 31 + 7);
    return b;
}

class PackRun : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/packrun_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
        ASSERT_EQ(Shell("cp '" + std::string(VARNEL_BIN) + "' '" + m_dir + "/Varnel'"), 0);
    }
    void TearDown() override { Shell("rm -rf '" + m_dir + "'"); }

    void Param(const std::string& text) { std::ofstream(m_dir + "/param.ini") << text; }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }

    // Runs a shell command; answers its exit status and keeps its standard output.
    int Shell(const std::string& command) {
        const std::string out = m_dir + "/.stdout";
        const int raw = std::system((command + " > '" + out + "' 2>&1").c_str());
        const Bytes text = ReadAll(out);
        m_output.assign(text.begin(), text.end());
        std::remove(out.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    int Varnel(const std::string& args) { return Shell("'" + m_dir + "/Varnel' " + args); }

    std::string m_dir;
    std::string m_output;
};

TEST_F(PackRun, CommandLineErrorsExitWithOne) {
    EXPECT_EQ(Varnel(""), 1);
    EXPECT_EQ(m_output, "Invalid command arguments.\n");
    EXPECT_EQ(Varnel("-h"), 1);
    EXPECT_NE(m_output.find("Parameter number = 2\n"), std::string::npos);
    EXPECT_NE(m_output.find("Please input command line\n -i input packed file path \n -h show "
                            "help\nInvalid parameter, please specify pack target file path.\n"),
              std::string::npos);
    EXPECT_EQ(Varnel("-i " + std::string(300, 'p')), 1);
    EXPECT_NE(m_output.find("longer than 259 bytes"), std::string::npos);
}

TEST_F(PackRun, MissingTargetExitsWithTwo) {
    EXPECT_EQ(Varnel("-i '" + Path("nothing.axf") + "'"), 2);
    EXPECT_NE(m_output.find("Create file  " + Path("nothing.axf") +
                            " failed No such file or directory\n"),
              std::string::npos);
}

TEST_F(PackRun, PackedLayoutRenameDateFileAndSignature) {
    Param("[Param]\nAppName=Demo\nAppType=vpd\nAPIList=Audio-Http\n");
    const Bytes content = SampleContent(5000);
    WriteAll(Path("app.axf"), content);
    WriteAll(Path("app.vxp"), Bytes(3, 9)); // an older output is replaced
    ASSERT_EQ(Varnel("-h -i '" + Path("app.axf") + "'"), 0) << m_output;
    EXPECT_NE(m_output.find("Varnel Command Shell v3.1329.00\n"), std::string::npos);
    EXPECT_FALSE(Exists(Path("app.axf")));

    const Bytes packed = ReadAll(Path("app.vxp"));
    ASSERT_GT(packed.size(), content.size() + PACK_OVERHEAD);
    EXPECT_TRUE(std::equal(content.begin(), content.end(), packed.begin()));
    const uint8_t* trailer = packed.data() + packed.size() - TRAILER_SIZE;
    EXPECT_EQ(std::memcmp(trailer - END_MARKER_SIZE, END_MARKER, END_MARKER_SIZE), 0);
    EXPECT_EQ(GetUint32(trailer), 1u);
    EXPECT_EQ(GetUint32(trailer + TRAILER_LENGTH_OFFSET), content.size());
    EXPECT_EQ(Bytes(trailer + TRAILER_RESERVED_OFFSET, trailer + TRAILER_SIZE), Bytes(8, 0));
    const size_t tag_end = packed.size() - PACK_OVERHEAD;
    EXPECT_EQ(Bytes(packed.begin() + long(tag_end) - 8, packed.begin() + long(tag_end)),
              Bytes(8, 0));

    md5_state_s_t st;
    uint8_t digests[32], signed_digest[16];
    md5_init(&st);
    md5_append(&st, packed.data(), int(content.size()));
    md5_finish(&st, digests);
    md5_init(&st);
    md5_append(&st, packed.data() + content.size(), int(tag_end - content.size()));
    md5_finish(&st, digests + 16);
    md5_init(&st);
    md5_append(&st, digests, 32);
    md5_finish(&st, signed_digest);
    EXPECT_TRUE(VerifySignature(signed_digest, trailer + TRAILER_SIGNATURE_OFFSET));

    // The same check with standard tools and the shipped public key.
    WriteAll(Path("sig.bin"), Bytes(trailer + 4, trailer + 68));
    ASSERT_EQ(Shell("openssl pkeyutl -verifyrecover -pubin -inkey '" + std::string(PUBLIC_KEY_PEM) +
                    "' -in '" + Path("sig.bin") + "' -out '" + Path("recovered.bin") + "'"),
              0)
        << m_output;
    EXPECT_EQ(ReadAll(Path("recovered.bin")), Bytes(signed_digest, signed_digest + 16));

    EXPECT_EQ(ReadAll(Path("app.dbg")).size(), size_t(DATE_RECORD_SIZE));
    WriteAll(Path("app.bin"), content);
    ASSERT_EQ(Varnel("-i '" + Path("app.bin") + "'"), 0);
    EXPECT_EQ(ReadAll(Path("app.dbg")).size(), 2u * DATE_RECORD_SIZE);
}

TEST_F(PackRun, EmptyApplicationWithoutParamIni) {
    WriteAll(Path("empty.axf"), Bytes());
    ASSERT_EQ(Varnel("-i '" + Path("empty.axf") + "'"), 0) << m_output;
    const Bytes packed = ReadAll(Path("empty.axf"));
    EXPECT_EQ(packed.size(), 400u + PACK_OVERHEAD);
    EXPECT_EQ(GetUint32(packed.data() + packed.size() - 12), 0u);
}

TEST_F(PackRun, ExtensionComesFromTheFileNameOnly) {
    Param("[Param]\nAppType=vxp\n");
    ASSERT_EQ(Shell("mkdir '" + Path("out.d") + "'"), 0);
    WriteAll(Path("out.d/app"), SampleContent(10));
    ASSERT_EQ(Varnel("-i '" + Path("out.d/app") + "'"), 0) << m_output;
    EXPECT_TRUE(Exists(Path("out.d/app.vxp")));
    EXPECT_TRUE(Exists(Path("out.d/app.dbg")));
    EXPECT_FALSE(Exists(Path("out.vxp")));
}

struct FailureCase {
    const char* name;
    const char* ini;
    const char* message;
};

class PackFailure : public PackRun, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(PackFailure, LeavesTheFileUntouchedAndExitsWithTwo) {
    Param(GetParam().ini);
    const Bytes content = SampleContent(777);
    WriteAll(Path("app.axf"), content);
    EXPECT_EQ(Varnel("-i '" + Path("app.axf") + "'"), 2);
    EXPECT_NE(m_output.find(GetParam().message), std::string::npos) << m_output;
    EXPECT_EQ(ReadAll(Path("app.axf")), content);
    EXPECT_FALSE(Exists(Path("app.vxp")));
    EXPECT_FALSE(Exists(Path("app.dbg")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PackFailure,
    ::testing::Values(FailureCase{"BadNumber", "[Param]\nAppType=vxp\nMemorySize=abc\n",
                                  "Invalid converstion for: abc\n"},
                      FailureCase{
                          "LongNames",
                          "[Param]\nAppType=vxp\nEngName=0123456789012345678901234567890123456789\n"
                          "ChiName=0123456789012345678901234567890123456789\nChtName="
                          "01234567890123456789012345\n",
                          "Parameters EngName, ChiName and ChtName are too long: at most 105 "
                          "characters together.\n"},
                      FailureCase{"LongVersion", "[Param]\nAppType=vxp\nVersion=1.2.3.4.5.6.7\n",
                                  "Parameter Version is too long: at most 11 bytes.\n"}),
    [](const ::testing::TestParamInfo<FailureCase>& case_info) { return case_info.param.name; });

TEST_F(PackRun, LongTextParameterFailsNamingItsKey) {
    Param("[Param]\nAppType=vxp\nDescText=" + std::string(600, 'd') + "\n");
    const Bytes content = SampleContent(50);
    WriteAll(Path("app.axf"), content);
    EXPECT_EQ(Varnel("-i '" + Path("app.axf") + "'"), 2);
    EXPECT_NE(m_output.find("Parameter DescText is too long: at most 511 characters.\n"),
              std::string::npos);
    EXPECT_EQ(ReadAll(Path("app.axf")), content);
}

TEST_F(PackRun, WriteFailingPartWayIsCutBack) {
    Param("[Param]\nAppType=vxp\n");
    const Bytes content = SampleContent(7000);
    WriteAll(Path("app.axf"), content);
    // A 7 KiB file size limit lets the append start and then fail.
    EXPECT_EQ(Shell("bash -c \"trap '' XFSZ; ulimit -f 7; exec '" + m_dir + "/Varnel' -i '" +
                    Path("app.axf") + "'\""),
              2);
    EXPECT_NE(m_output.find("Write file " + Path("app.axf") + " failed"), std::string::npos)
        << m_output;
    EXPECT_EQ(ReadAll(Path("app.axf")), content);
    EXPECT_FALSE(Exists(Path("app.vxp")));
}

} // namespace
