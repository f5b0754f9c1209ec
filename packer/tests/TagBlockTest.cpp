// The tag block composed from param.ini texts with a fixed clock: record order, sizes,
// keyword tables, conversions and the limits that refuse oversized texts.
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "Sign.h"
#include "Utility.h"
#include "Varnel.h"

namespace {

struct Tag {
    uint32_t id;
    std::vector<uint8_t> value;
    uint32_t Number() const { return GetUint32(value.data()); }
};

std::vector<Tag> ParseTags(const uint8_t* block, int length) {
    std::vector<Tag> tags;
    for (int at = 0; at + 8 <= length;) {
        Tag t{GetUint32(block + at), {}};
        const uint32_t n = GetUint32(block + at + 4);
        t.value.assign(block + at + 8, block + at + 8 + n);
        tags.push_back(t);
        at += 8 + int(n);
    }
    return tags;
}

// 15 December 2026, 10:30 UTC.
const std::time_t kDecember15 = 1797330600;

class TagBlock : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        char dir[] = "/tmp/tagblock_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
    }
    void TearDown() override { std::system(("rm -rf " + m_dir).c_str()); }

    // Composes the block of the given param.ini text; answers FormatTag's result.
    int Compose(const std::string& ini, std::time_t clock = kDecember15) {
        std::ofstream(m_dir + "/param.ini") << ini;
        Varnel v(m_dir + "/app.axf", m_dir + "/param.ini");
        v.SetClock(clock);
        md5_state_s_t st;
        uint8_t file_digest[16] = {0};
        m_length = 0;
        std::memset(m_buffer, 0, sizeof m_buffer);
        const int r = v.FormatTag(&m_para, st, file_digest, m_signature, m_buffer, m_length);
        m_tags = ParseTags(m_buffer, m_length);
        return r;
    }
    const Tag* Find(uint32_t id) const {
        for (const Tag& t : m_tags)
            if (t.id == id)
                return &t;
        return nullptr;
    }
    uint32_t Number(uint32_t id) const {
        const Tag* t = Find(id);
        EXPECT_NE(t, nullptr) << "tag " << id;
        return t ? t->Number() : 0xDEADBEEF;
    }

    std::string m_dir;
    uint8_t m_buffer[TAG_BUFFER_SIZE];
    uint8_t m_signature[64];
    int m_length = 0;
    _composeTagPara m_para;
    std::vector<Tag> m_tags;
};

TEST_F(TagBlock, EmptyParametersGiveThe400ByteBlockInTableOrder) {
    ASSERT_EQ(Compose(""), 1);
    EXPECT_EQ(m_length, 400);
    std::vector<uint32_t> ids;
    for (const Tag& t : m_tags)
        ids.push_back(t.id);
    const std::vector<uint32_t> want = {2,  3,  5,  22, 6,  7,  15, 16, 17, 33, 35, 34, 24, 50,
                                        47, 52, 49, 28, 41, 42, 44, 45, 37, 51, 23, 25, 19, 0};
    EXPECT_EQ(ids, want);
    EXPECT_EQ(Number(15), 512u);
    EXPECT_EQ(Number(17), 0x09C40000u);
    EXPECT_EQ(Find(23)->value, std::vector<uint8_t>({0, 0}));
    EXPECT_EQ(Find(25)->value.size(), 38u);
    EXPECT_TRUE(Find(19)->value.empty());
    EXPECT_TRUE(Find(0)->value.empty());
}

TEST_F(TagBlock, SignatureCoversFileDigestAndBlock) {
    ASSERT_EQ(Compose("[Param]\nAppName=Game\n"), 1);
    uint8_t tag_digest[16], pair[32], signed_digest[16];
    md5_state_s_t st;
    md5_init(&st);
    md5_append(&st, m_buffer, m_length);
    md5_finish(&st, tag_digest);
    std::memset(pair, 0, 16);
    std::memcpy(pair + 16, tag_digest, 16);
    md5_init(&st);
    md5_append(&st, pair, 32);
    md5_finish(&st, signed_digest);
    EXPECT_TRUE(VerifySignature(signed_digest, m_signature));
}

TEST_F(TagBlock, TextsAreUcs2WithCountedTerminator) {
    ASSERT_EQ(Compose("[Param]\nAppName=Game\nDeveloper=Me\nPushSenderID=42\nIMSI=12345\n"
                      "EngName=E\nChiName=C\nChtName=T\n"),
              1);
    EXPECT_EQ(Find(4)->value, std::vector<uint8_t>({'G', 0, 'a', 0, 'm', 0, 'e', 0, 0, 0}));
    EXPECT_EQ(Find(1)->value.size(), 6u);
    EXPECT_EQ(Find(46)->value.size(), 6u);
    EXPECT_EQ(Find(18)->value, std::vector<uint8_t>({'1', '2', '3', '4', '5'}));
    EXPECT_EQ(m_tags[0].id, 4u);
    const auto names = ParseTags(Find(25)->value.data(), int(Find(25)->value.size()));
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0].id, 1u);
    EXPECT_EQ(names[0].value, std::vector<uint8_t>({'E', 0, 0, 0}));
    EXPECT_EQ(names[2].id, 3u);
    EXPECT_EQ(names[3].id, 0u);
}

TEST_F(TagBlock, FlagsAndDerivedNumbers) {
    ASSERT_EQ(Compose("[Param]\nAdapter=true\nResolution=240\nSysMemAble=false\nSysMemSize=9\n"
                      "TransferImg=true\nAppType=vpd\nPushID=1\nMemorySize=0\nAppID=77\n"),
              1);
    EXPECT_EQ(Number(16), 0u);
    EXPECT_EQ(Number(37), 0u);
    EXPECT_EQ(Number(47), 1u);
    EXPECT_EQ(Number(49), 1u);
    EXPECT_EQ(Number(52), 2u);
    EXPECT_EQ(Number(45), 0x40000000u);
    EXPECT_EQ(Number(15), 512u);
    EXPECT_EQ(Number(2), 77u);
}

struct KeywordCase {
    const char* ini;
    uint32_t tag;
    uint32_t value;
};

class TagKeywords : public TagBlock, public ::testing::WithParamInterface<KeywordCase> {};

TEST_P(TagKeywords, MapToTheirCodes) {
    ASSERT_EQ(Compose(std::string("[Param]\n") + GetParam().ini), 1);
    EXPECT_EQ(Number(GetParam().tag), GetParam().value) << GetParam().ini;
}

INSTANTIATE_TEST_SUITE_P(
    Tables, TagKeywords,
    ::testing::Values(
        KeywordCase{"Compiler=RVCT\nAppType=vso\n", 33, 4},
        KeywordCase{"Compiler=RVCT\nAppType=vsm\n", 33, 3},
        KeywordCase{"Compiler=RVCT\nAppType=vxp\n", 33, 2},
        KeywordCase{"Compiler=ADS\nCompress=true\nAppType=vsm\n", 33, 5},
        KeywordCase{"Compiler=ADS\nAppType=dll\n", 33, 0},
        KeywordCase{"Compiler=ADS\nAppType=vsm\n", 33, 1},
        KeywordCase{"Compiler=GCC\nAppType=vpc\n", 33, 6},
        KeywordCase{"Compiler=GCC\nAppType=other\n", 33, 7},
        KeywordCase{"VPIType=launcher\n", 42, 3}, KeywordCase{"VPIType=launcher\n", 41, 1},
        KeywordCase{"VPIType=vsp\n", 41, 1}, KeywordCase{"VPIType=Widget\n", 41, 0},
        KeywordCase{"VPIType=Widget\n", 42, 0}, KeywordCase{"AppType=dlc\n", 52, 1},
        KeywordCase{"Version=1.2.3\n", 5, 0x03020100}, KeywordCase{"Version=2.0\n", 5, 0x00000200},
        KeywordCase{"Version=x1.2.3\n", 5, 0x02010000}, KeywordCase{"Version=1.300.0\n", 5, 0}));

TEST_F(TagBlock, DatesRunTwoMonthsFromTheClock) {
    ASSERT_EQ(Compose(""), 1);
    const uint32_t start[6] = {2026, 12, 14, 10, 30, 0}, end[6] = {2027, 2, 15, 0, 0, 0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(GetUint32(Find(6)->value.data() + 4 * i), start[i]) << i;
        EXPECT_EQ(GetUint32(Find(7)->value.data() + 4 * i), end[i]) << i;
        EXPECT_EQ(m_para.startDate[i], start[i]);
    }
    ASSERT_EQ(Compose("", 1772359200), 1); // 1 March 2026, 10:00
    EXPECT_EQ(GetUint32(Find(6)->value.data() + 8), 0u);
    EXPECT_EQ(GetUint32(Find(7)->value.data() + 4), 5u);
}

TEST_F(TagBlock, OversizedTextsAreRefusedBeforeAnythingIsComposed) {
    const std::string long256(256, 'a');
    for (const std::string& ini :
         {"AppName=" + long256, "Developer=" + long256, "PushSenderID=" + long256,
          "DescText=" + std::string(512, 'd'), std::string("Version=123456789012"),
          "EngName=" + std::string(50, 'e') + "\nChiName=" + std::string(50, 'c') +
              "\nChtName=" + std::string(6, 't')}) {
        EXPECT_EQ(Compose("[Param]\n" + ini + "\n"), FORMAT_TAG_TOO_LONG) << ini.substr(0, 12);
        EXPECT_EQ(m_length, 0);
    }
    EXPECT_EQ(Compose("[Param]\nAppName=" + std::string(255, 'a') + "\nDescText=" +
                      std::string(511, 'd') + "\nEngName=" + std::string(105, 'e') + "\n"),
              1);
}

TEST(PushId, TwoBitGroupsAreReversed) {
    Varnel v("unused", "/nonexistent/param.ini");
    EXPECT_EQ(v.getPushID(1), 0x40000000u);
    EXPECT_EQ(v.getPushID(0x12345678), 0x2D951C84u);
    EXPECT_EQ(v.getPushID(0xFFFFFFFF), 0xFFFFFFFFu);
    EXPECT_EQ(v.getPushID(v.getPushID(0xCAFEBABE)), 0xCAFEBABEu);
}

TEST(CatchVersion, LeavesResultAloneWhenItDoesNotParse) {
    Varnel v("unused", "/nonexistent/param.ini");
    int result = 7;
    v.CatchVersion("1.256.0", &result);
    EXPECT_EQ(result, 7);
    v.CatchVersion("99999999999999999999", &result);
    EXPECT_EQ(result, 7);
    v.CatchVersion(nullptr, &result);
    v.CatchVersion("1.2.3", nullptr);
    v.CatchVersion("", &result);
    EXPECT_EQ(result, 0);
}

} // namespace
