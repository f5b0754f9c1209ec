// vxpinfo against files that Varnel really packed: every value read back, and the verdicts
// for changed, truncated and unpacked files, in text and JSON.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "PackedReader.h"
#include "TagDescriber.h"

namespace {

using Bytes = std::vector<uint8_t>;
using nlohmann::json;

const char* const kParam = "[Param]\nAppName=Space\nVersion=2.7.13\nDeveloper=Dev\n"
                           "EngName=Eng\nChiName=Chi\nChtName=Cht\nIMSI=46001\n"
                           "DescText=Shoot\nAPIList=Tcp-Audio-SysDisk\nAppType=vpc\n"
                           "Compiler=RVCT\nVPIType=launcher\nMemorySize=700\nResolution=320\n"
                           "SysMemSize=64\nSysMemAble=yes\nAppID=99\nPushID=305419896\n"
                           "PushSenderID=sender\nBackground=yes\nRotate=1\nPush=true\n"
                           "AutoStart=yes\nTransferImg=yes\nIdleShortcut=true\n";

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const Bytes& data) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

class VxpInfo : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/vxpinfo_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
        ASSERT_EQ(Run("cp '" + std::string(VARNEL_BIN) + "' '" + m_dir + "/Varnel'"), 0);
        std::ofstream(m_dir + "/param.ini") << kParam;
        Bytes content(3000);
        for (size_t i = 0; i < content.size(); ++i)
            content[i] = uint8_t(i ^ (i >> 3));
        WriteAll(m_dir + "/game.axf", content);
        ASSERT_EQ(Run("'" + m_dir + "/Varnel' -i '" + m_dir + "/game.axf'"), 0) << m_out;
        m_packed = m_dir + "/game.vxp";
    }
    void TearDown() override { Run("rm -rf '" + m_dir + "'"); }

    int Run(const std::string& command) {
        const std::string out = m_dir + "/.out";
        const int raw = std::system((command + " > '" + out + "' 2>/dev/null").c_str());
        const Bytes text = ReadAll(out);
        m_out.assign(text.begin(), text.end());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    int Info(const std::string& path, const char* args = "") {
        return Run(std::string(VXPINFO_BIN) + " '" + path + "' " + args);
    }
    json Tag(const json& report, const char* name) {
        for (const json& t : report["tags"])
            if (t["name"] == name)
                return t.value("value", json());
        ADD_FAILURE() << "no tag " << name;
        return json();
    }

    std::string m_dir, m_packed, m_out;
};

TEST_F(VxpInfo, EveryValueReadsBackAsWritten) {
    ASSERT_EQ(Info(m_packed, "--json"), 0) << m_out;
    const json r = json::parse(m_out);
    EXPECT_EQ(r["status"], "valid");
    EXPECT_EQ(r["content_length"], 3000);
    EXPECT_EQ(Tag(r, "AppName"), "Space");
    EXPECT_EQ(Tag(r, "Version"), "2.7.13");
    EXPECT_EQ(Tag(r, "Developer"), "Dev");
    EXPECT_EQ(Tag(r, "Names"), json({{"EngName", "Eng"}, {"ChiName", "Chi"}, {"ChtName", "Cht"}}));
    EXPECT_EQ(Tag(r, "IMSI"), "46001");
    EXPECT_EQ(Tag(r, "DescText"), "Shoot");
    EXPECT_EQ(Tag(r, "Permissions"), json({"Audio", "Tcp", "SysFile"}));
    EXPECT_EQ(Tag(r, "AppKind")["code"], 1);
    EXPECT_EQ(Tag(r, "OutputType")["code"], 2);
    EXPECT_EQ(Tag(r, "VPIType")["meaning"], "launcher");
    EXPECT_EQ(Tag(r, "MemorySize"), 700);
    EXPECT_EQ(Tag(r, "Resolution"), 320);
    EXPECT_EQ(Tag(r, "SysMemSize"), 64);
    EXPECT_EQ(Tag(r, "AppID"), 99);
    EXPECT_EQ(Tag(r, "PushID"), 305419896);
    EXPECT_EQ(Tag(r, "PushSenderID"), "sender");
    for (const char* flag : {"Background", "Rotate", "Push", "AutoStart", "TransferImg",
                             "TransferImg2", "IdleShortcut", "VPITypeKnown"})
        EXPECT_EQ(Tag(r, flag), true) << flag;
    EXPECT_EQ(Tag(r, "Compress"), false);
    EXPECT_EQ(Tag(r, "ValidFrom").size(), 6u);
}

TEST_F(VxpInfo, TextOutputNamesTagsAndVerdict) {
    ASSERT_EQ(Info(m_packed), 0);
    EXPECT_NE(m_out.find("AppName        Space\n"), std::string::npos) << m_out;
    EXPECT_NE(m_out.find("status         valid\n"), std::string::npos);
}

TEST_F(VxpInfo, ChangedContentOrTagByteIsInvalid) {
    const Bytes packed = ReadAll(m_packed);
    for (size_t at : {size_t(0), size_t(2999), size_t(3000 + 20)}) {
        Bytes changed = packed;
        changed[at] ^= 0x01;
        WriteAll(m_dir + "/changed.vxp", changed);
        EXPECT_EQ(Info(m_dir + "/changed.vxp"), 3) << "byte " << at;
    }
}

TEST_F(VxpInfo, TruncatedPlainAndBrokenFilesAreMalformed) {
    const Bytes packed = ReadAll(m_packed);
    WriteAll(m_dir + "/short.vxp", Bytes(packed.begin(), packed.end() - 1));
    EXPECT_EQ(Info(m_dir + "/short.vxp"), 4);
    WriteAll(m_dir + "/plain.axf", Bytes(packed.begin(), packed.begin() + 3000));
    EXPECT_EQ(Info(m_dir + "/plain.axf", "--json"), 4);
    EXPECT_EQ(json::parse(m_out)["status"], "malformed");
    WriteAll(m_dir + "/empty", Bytes());
    EXPECT_EQ(Info(m_dir + "/empty"), 4);
    Bytes bad_length = packed;
    bad_length[bad_length.size() - 12] = 0xFF; // content length far past the tag block
    bad_length[bad_length.size() - 9] = 0x7F;
    WriteAll(m_dir + "/length.vxp", bad_length);
    EXPECT_EQ(Info(m_dir + "/length.vxp"), 4);
    EXPECT_EQ(Info(m_dir + "/missing.vxp"), 2);
    EXPECT_EQ(Run(std::string(VXPINFO_BIN)), 1);
}

TEST(PackedReader, TagRecordsMustEndWithExactlyOneEndRecord) {
    std::vector<TagRecord> out;
    const uint8_t good[] = {2, 0, 0, 0, 4, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(ParseTagRecords(good, sizeof good, out));
    out.clear();
    const uint8_t overlong[] = {2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    EXPECT_FALSE(ParseTagRecords(overlong, sizeof overlong, out));
    out.clear();
    EXPECT_FALSE(ParseTagRecords(good, sizeof good - 1, out));
    EXPECT_EQ(ReadPackedMemory(good, sizeof good).status, PackedStatus::Malformed);
}

TEST(TagDescriber, UnknownAndMalformedTagsShowTheirBytes) {
    TagRecord unknown{999, 0, {0xAB, 0xCD}};
    EXPECT_EQ(DescribeTag(unknown)["hex"], "abcd");
    TagRecord short_number{2, 0, {1, 2}};
    EXPECT_EQ(DescribeTag(short_number)["malformed"], "0102");
    TagRecord odd_text{4, 0, {'a', 0, 'b'}};
    EXPECT_TRUE(DescribeTag(odd_text).contains("malformed"));
}

} // namespace
