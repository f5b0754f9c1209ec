// The tag block composed from param.ini texts with a fixed clock: golden bytes of a full and
// an empty parameter file, the keyword tables, dates, the limits of texts and block, and the
// permission record of API lists.
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PackedReader.h"
#include "TestFiles.h"
#include "Utility.h"
#include "Varnel.h"
#include "TableRow.h"

namespace {

// 15 December 2026, 10:30 UTC.
const std::time_t kDecember15 = 1797330600;

const char* const kFullParam =
    "[Param]\nAppName=Sp\xE9"
    "ce\nVersion=2.7.13\nDeveloper=Dev\nEngName=Eng\nChiName=Chi\n"
    "ChtName=Cht\nIMSI=46001\nDescText=Shoot\nAPIList=Tcp-Audio-SysDisk\nAppType=vpc\n"
    "Compiler=RVCT\nVPIType=launcher\nMemorySize=700\nResolution=320\nSysMemSize=64\n"
    "SysMemAble=yes\nAppID=99\nPushID=305419896\nPushSenderID=sender\nBackground=yes\n"
    "Rotate=1\nPush=true\nAutoStart=yes\nTransferImg=yes\nIdleShortcut=true\n";

class TagBlock : public TempFolder {
protected:
    void SetUp() override {
        TempFolder::SetUp();
        setenv("TZ", "UTC", 1);
        tzset();
    }

    // Composes the block of the given param.ini text after start bytes already in the
    // buffer; answers FormatTag's result.
    int Compose(const std::string& ini, std::time_t clock = kDecember15, int start = 0) {
        Param(ini);
        Varnel v(Path("app.axf"), Path("param.ini"));
        v.SetClock(clock);
        md5_state_s_t st;
        const uint8_t file_digest[16] = {0};
        m_length = start;
        std::memset(m_buffer, 0, sizeof m_buffer);
        const int r = v.FormatTag(&m_para, st, file_digest, m_signature, m_buffer, m_length);
        m_tags.clear();
        ParseTagRecords(m_buffer + start, size_t(m_length - start), m_tags);
        return r;
    }
    std::vector<uint8_t> Value(uint32_t id) const {
        for (const TagRecord& t : m_tags)
            if (t.id == id)
                return t.value;
        ADD_FAILURE() << "no tag " << id;
        return {};
    }
    std::string BlockMd5() const {
        md5_state_s_t st;
        md5_init(&st);
        md5_append(&st, m_buffer, m_length);
        uint8_t digest[16];
        md5_finish(&st, digest);
        return Hex(digest, sizeof digest);
    }

    uint8_t m_buffer[TAG_BUFFER_SIZE];
    uint8_t m_signature[64];
    int m_length = 0;
    _composeTagPara m_para;
    std::vector<TagRecord> m_tags;
};

// Any change of a packed byte fails here; a new golden value needs its reason in the commit.
// The digests cover the blocks' lengths: 523 and 400 bytes.
TEST_F(TagBlock, GoldenBytesOfFullAndEmptyParameters) {
    ASSERT_EQ(Compose(kFullParam), 1);
    EXPECT_EQ(BlockMd5(), "1e39c4c97a47dbeba868fe76c28358b3");
    ASSERT_EQ(Compose(""), 1);
    EXPECT_EQ(BlockMd5(), "287cf1d1a384761de9096c852ef3b563");
    ASSERT_EQ(Compose("", kDecember15 - 30 * 86400), 1); // 15 November: valid until 15 January
    EXPECT_EQ(Value(TAG_VALID_UNTIL), Words(4, {2027, 1, 15, 0, 0, 0}));
    ASSERT_EQ(Compose("", kDecember15 - 61 * 86400), 1); // 15 October: until 15 December
    EXPECT_EQ(Value(TAG_VALID_UNTIL), Words(4, {2026, 12, 15, 0, 0, 0}));
}

struct KeywordCase : test_table::Row {
    const char* ini;
    uint32_t tag;
    uint32_t value;
};

class TagKeywords : public TagBlock, public ::testing::WithParamInterface<KeywordCase> {};

TEST_P(TagKeywords, MapToTheirCodes) {
    ASSERT_EQ(Compose(std::string("[Param]\n") + GetParam().ini), 1);
    EXPECT_EQ(Value(GetParam().tag), Words(4, {GetParam().value}));
}

// The golden blocks hold RVCT with an application type of the set, ADS (the default) with an
// empty type, and an unknown VPI type (empty; names are compared case by case).
// clang-format off
INSTANTIATE_TEST_SUITE_P(Tables, TagKeywords, ::testing::Values(
    KeywordCase{"RvctVsm", "Compiler=RVCT\nAppType=vsm\n", 33, 3},
    KeywordCase{"AdsCompressed", "Compiler=ADS\nCompress=true\nAppType=vsm\n", 33, 5},
    KeywordCase{"AdsApp", "Compiler=ADS\nAppType=dll\n", 33, 0},
    KeywordCase{"AdsVsm", "Compiler=ADS\nAppType=vsm\n", 33, 1},
    KeywordCase{"GccApp", "Compiler=GCC\nAppType=vxp\n", 33, 6},
    KeywordCase{"GccVsm", "Compiler=GCC\nAppType=vsm\n", 33, 7},
    KeywordCase{"GccOther", "Compiler=GCC\nAppType=other\n", 33, 7},
    KeywordCase{"RvctOther", "Compiler=RVCT\nAppType=other\n", 33, 4},
    KeywordCase{"VpiZirra", "VPIType=zirra\n", 42, 1},
    KeywordCase{"VpiVsp", "VPIType=vsp\n", 42, 0},
    KeywordCase{"VpiWidget", "VPIType=widget\n", 42, 1},
    KeywordCase{"VpiScreenlock", "VPIType=screenlock\n", 42, 4},
    KeywordCase{"VpiWallpaper", "VPIType=wallpaper\n", 42, 2},
    KeywordCase{"VpiOthers", "VPIType=others\n", 42, 5},
    KeywordCase{"KindDld", "AppType=dld\n", 52, 2},
    KeywordCase{"AdapterHidesResolution", "Adapter=true\nResolution=240\n", 16, 0},
    KeywordCase{"SysMemOff", "SysMemAble=false\nSysMemSize=9\n", 37, 0},
    KeywordCase{"SysMemOnDefaultSize", "SysMemAble=true\n", 37, 0},
    KeywordCase{"VersionLetterFirstAnd255", "Version=x1.255.3\n", 5, 0xFF010000},
    KeywordCase{"VersionOver255", "Version=1.2550.0\n", 5, 0}),
    test_table::ByName());
// clang-format on

struct LimitCase : test_table::Row {
    std::string fits;
    std::string over;
};

class TextLimits : public TagBlock, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(TextLimits, OneMoreIsRefusedBeforeAnythingIsComposed) {
    EXPECT_EQ(Compose("[Param]\n" + GetParam().fits + "\n"), FORMAT_TAG_OK);
    EXPECT_EQ(Compose("[Param]\n" + GetParam().over + "\n"), FORMAT_TAG_TOO_LONG);
    EXPECT_EQ(m_length, 0);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Limits, TextLimits, ::testing::Values(
    LimitCase{"AppName", "AppName=" + std::string(255, 'a'), "AppName=" + std::string(256, 'a')},
    LimitCase{"DescText", "DescText=" + std::string(511, 'd'), "DescText=" + std::string(512, 'd')},
    LimitCase{"Version", "Version=12345678901", "Version=123456789012"},
    LimitCase{"IMSI", "IMSI=" + std::string(259, '1'), "IMSI=" + std::string(260, '1')},
    LimitCase{"Names", "EngName=" + std::string(100, 'e') + "\nChtName=" + std::string(5, 't'), "EngName=" + std::string(100, 'e') + "\nChiName=c\nChtName=" + std::string(5, 't')}),
    test_table::ByName());
// clang-format on

// The empty block is 400 bytes: after 3696 bytes it ends exactly at the buffer's end.
TEST_F(TagBlock, BlockMayEndExactlyAtTheBuffersEnd) {
    EXPECT_EQ(Compose("", kDecember15, TAG_BUFFER_SIZE - 400), FORMAT_TAG_OK);
    EXPECT_EQ(m_length, TAG_BUFFER_SIZE);
    EXPECT_EQ(Compose("", kDecember15, TAG_BUFFER_SIZE - 399), FORMAT_TAG_TOO_LONG);
    EXPECT_EQ(m_length, TAG_BUFFER_SIZE - 399);
}

// The API list text and the permission record it gives.
std::vector<uint32_t> PermissionIds(const char* list) {
    Varnel v("unused", "/nonexistent/param.ini");
    _apiList api{};
    v.ParserAPIList(&api, list);
    uint8_t out[1000];
    const int n = v.ComposePerTags(out, api);
    std::vector<uint32_t> ids; // the record's header and the 1 of each pair: golden blocks
    for (int at = 8; at < n; at += 8)
        ids.push_back(GetUint32(out + at));
    return ids;
}

struct ListCase : test_table::Row {
    const char* list;
    std::vector<uint32_t> ids;
};

class ApiList : public ::testing::TestWithParam<ListCase> {};

TEST_P(ApiList, GivesPairsInAscendingFlagOrder) {
    EXPECT_EQ(PermissionIds(GetParam().list), GetParam().ids);
}

// SysDisk standing for SysFile is in the golden blocks, a name given twice in UnknownAndRepeated.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Lists, ApiList, ::testing::Values(
    ListCase{"AnyCase", "audio-CALL", {5000, 5001}},
    ListCase{"UnknownAndRepeated", "Audio-Wifi-Audio-Xall", {5000}},
    ListCase{"OuterBlanks", " \tRecord-Sensor\r\n", {5005, 5006}},
    ListCase{"EveryName", "Audio-Call-Camera-File-Http-Record-Sensor-Sim-SMS(person)-SMS(SP)-Tcp-SysStorage-Sec-"
             "Bitstream-Contact-Lbs-Mms-ProMng-SmsMng-Video-XML-Payment-SysFile-BT-UDP-PUSH",
             {5000, 5001, 5002, 5003, 5004, 5005, 5006, 5007, 5008, 5009, 5010, 5011, 5012, 5013, 5014, 5015, 5016, 5017, 5018, 5019, 5020, 5021, 5022, 5023, 5024, 5025}}),
    test_table::ByName());
// clang-format on

} // namespace
