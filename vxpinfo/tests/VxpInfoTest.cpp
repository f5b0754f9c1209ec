// vxpinfo against files that Varnel really packed: values read back, verdicts for changed,
// truncated and unpacked files, text that is not UTF-8; and the decoding of single tags.
#include <ctime>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "PackedReader.h"
#include "ProjectVersion.h"
#include "TagDescriber.h"
#include "TagTable.h"
#include "TestFiles.h"
#include "Utility.h"
#include "TableRow.h"

namespace {

using nlohmann::json;

const char* const kParam = "[Param]\nAppName=Space\nVersion=2.7.13\nIMSI=4600\x80\xE9\n"
                           "APIList=Tcp-Audio-SysDisk\nAppType=vpc\nCompiler=RVCT\nEngName=Eng\n"
                           "VPIType=launcher\nPushID=305419896\nRotate=1\n";

const size_t kContent = 65537;

class VxpInfo : public TempFolder {
protected:
    void SetUp() override {
        TempFolder::SetUp();
        Param(kParam);
        // One byte past a 64 KiB read block, so both programs digest a last block of one byte.
        WriteAll(Path("g\xE9.axf"), SampleContent(kContent));
        ASSERT_EQ(RunVarnel("-i '" + Path("g\xE9.axf") + "'"), 0) << m_output;
        m_packed = Path("g\xE9.vxp");
    }
    int Info(const std::string& path, const char* args = "") {
        return Run("'" VXPINFO_BIN "' '" + path + "' " + args);
    }
    // The bytes as a file, shown by vxpinfo.
    int InfoOf(const Bytes& bytes, const char* args = "") {
        WriteAll(Path("x.vxp"), bytes);
        return Info(Path("x.vxp"), args);
    }
    static json Tag(const json& report, uint32_t id) {
        for (const json& t : report["tags"])
            if (t["id"] == id)
                return t;
        ADD_FAILURE() << "no tag " << id;
        return json();
    }

    std::string m_packed;
};

TEST_F(VxpInfo, JsonReadsBackEveryKindOfValue) {
    ASSERT_EQ(Info(m_packed, "--json"), 0) << m_output;
    const json r = json::parse(m_output);
    EXPECT_EQ(m_output, r.dump(2) + "\n");       // one document, indented by two
    EXPECT_EQ(r["file"], Path("g\xC3\xA9.vxp")); // the Latin-1 name as its character
    EXPECT_EQ(r["status"], "valid");
    EXPECT_EQ(r["content_length"], kContent);
    EXPECT_FALSE(r.contains("reserved"));
    EXPECT_EQ(r["signature"].get<std::string>().size(), 128u);
    for (const json& digest : r["digests"])
        EXPECT_EQ(digest.get<std::string>().size(), 32u);
    EXPECT_EQ(
        Tag(r, 4),
        json({{"id", 4}, {"name", "application name"}, {"param", "AppName"}, {"value", "Space"}}));
    EXPECT_EQ(Tag(r, 3), json({{"id", 3}, {"name", "fixed value"}, {"fixed", true}, {"value", 1}}));
    EXPECT_EQ(Tag(r, 5)["value"], "2.7.13");
    EXPECT_EQ(Tag(r, 18)["value"], "4600\xC2\x80\xC3\xA9");
    EXPECT_EQ(Tag(r, 25)["value"], json({{"EngName", "Eng"}, {"ChiName", ""}, {"ChtName", ""}}));
    EXPECT_EQ(Tag(r, 19)["value"], json({"Audio", "Tcp", "SysFile"}));
    EXPECT_EQ(Tag(r, 52)["value"], json({{"code", 1}, {"meaning", "vpc or dlc"}}));
    EXPECT_EQ(Tag(r, 45)["value"], 305419896);
    EXPECT_EQ(Tag(r, 28)["value"], true);
    EXPECT_EQ(Tag(r, 0)["value"], nullptr);
}

// A byte changed (at from the start, or from the end when negative), bytes cut off the end, or
// a content length that leaves a tag block of the given size (0: kept).
struct DamageCase : test_table::Row {
    long at;
    uint8_t flip;
    size_t cut;
    uint32_t tags;
    int status;
    const char* line; // a whole line of the text output
};

class Damage : public VxpInfo, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(Damage, GivesItsVerdictAndStatus) {
    const DamageCase& c = GetParam();
    Bytes bytes = ReadAll(m_packed);
    bytes[size_t(c.at < 0 ? long(bytes.size()) + c.at : c.at)] ^= c.flip;
    bytes.resize(bytes.size() - c.cut);
    if (c.tags != 0) // the content length is the trailer's word 12 bytes from the end
        PutUint32(&bytes[bytes.size() - 12], uint32_t(bytes.size() - PACK_OVERHEAD - c.tags));
    EXPECT_EQ(InfoOf(bytes), c.status);
    EXPECT_NE(m_output.find(std::string("\n") + c.line + "\n"), std::string::npos) << m_output;
}

const char* const kBadSignature = "status         invalid signature: the signature does not match "
                                  "the digests of content and tag block";

// A tag block of 4096 bytes is read and parsed: here it starts inside the content. No digest
// covers the reserved bytes at the end: a file with one of them changed stays valid.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, Damage, ::testing::Values(
    DamageCase{"TagByte", long(kContent) + 20, 1, 0, 0, 3, kBadSignature},
    DamageCase{"TrailerWord", -80, 2, 0, 0, 4, "status         malformed: signature trailer does not start with 1"},
    DamageCase{"NoRoomForARecord", 0, 0, 0, 7, 4, "status         malformed: content length points past the tag block"},
    DamageCase{"EndRecordAlone", 0, 0, 0, 8, 3, kBadSignature},
    DamageCase{"TagBlockOf4096", 0, 0, 0, 4096, 4, "status         malformed: tag block does not end with exactly one end record"},
    DamageCase{"TagBlockOver4096", 0, 0, 0, 4097, 4, "status         malformed: tag block longer than 4096 bytes"},
    DamageCase{"ReservedByte", -1, 0x5A, 0, 0, 0, "reserved       000000000000005a (not zero; no digest covers these bytes)"}),
    test_table::ByName());
// clang-format on

TEST_F(VxpInfo, ShortFilesAndCommandLines) {
    // Room for the trailer and one byte short of a tag's header, then room for both.
    for (auto [size, problem] : {std::pair{93, "too short for a packed file"},
                                 {94, "no end marker before the signature trailer"}}) {
        EXPECT_EQ(InfoOf(Bytes(size, 0), "--json"), 4);
        EXPECT_EQ(json::parse(m_output)["problem"], problem);
    }
    const std::string kUsage = "usage: vxpinfo FILE", kCannot = "vxpinfo: cannot read ";
    // clang-format off
    const std::tuple<std::string, int, std::string> lines[] = {
        {"", 1, kUsage}, {"a.vxp b.vxp", 1, kUsage}, {"-x", 1, kUsage}, {"--help", 0, kUsage},
        {"-h", 0, kUsage}, {"--version", 0, "vxpinfo " PROJECT_VERSION_STRING "\n"},
        {Path("missing.vxp"), 2, kCannot + Path("missing.vxp") + ": No such file or directory\n"},
        {m_folder.Path(), 2, kCannot + m_folder.Path() + ": not a regular file\n"}};
    // clang-format on
    for (const auto& [args, status, start] : lines) {
        EXPECT_EQ(Run("'" VXPINFO_BIN "' " + args), status) << args;
        EXPECT_EQ(m_output.rfind(start, 0), 0u) << args << m_output;
    }
}

struct ValueCase : test_table::Row {
    uint32_t id;
    Bytes value;
    const char* shown; // the end of the tag's line in the text output
};

class TagValue : public ::testing::TestWithParam<ValueCase> {};

// Seen through the text output, which shows what DescribeTag made of the value.
TEST_P(TagValue, IsDecodedOrShownInHex) {
    PackedReport report;
    report.status = PackedStatus::BadSignature; // a verdict that lists the tags
    report.tags = {TagRecord{GetParam().id, 0, GetParam().value}};
    const std::string text = RenderText(DescribeReport("f", report));
    EXPECT_NE(text.find(std::string(" ") + GetParam().shown + "\n"), std::string::npos) << text;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Tags, TagValue, ::testing::Values(
    // Each side of the two- and three-byte limits and of the surrogate range.
    ValueCase{"EveryWidth", 4, Words(2, {0x80, 0x7FF, 0x800, 0xD7FF, 0xD800, 0xDFFF, 0xE000, 0xFFFF, 0}), "\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEF\xBF\xBD\xEF\xBF\xBD\xEE\x80\x80\xEF\xBF\xBF"},
    ValueCase{"OddLength", 4, Bytes{'A', 0, 0}, "malformed, hex 410000"},
    ValueCase{"ShortNumber", 2, Bytes{1, 2}, "malformed, hex 0102"},
    ValueCase{"NoDate", 7, Words(4, {2027, 13, 1, 0, 0, 0}), "not a date [2027,13,1,0,0,0]"},
    ValueCase{"HourTwentyFour", 7, Words(4, {2027, 12, 1, 24, 0, 0}), "not a date [2027,12,1,24,0,0]"},
    ValueCase{"MinuteSixty", 7, Words(4, {2027, 12, 1, 23, 60, 0}), "not a date [2027,12,1,23,60,0]"},
    ValueCase{"YearPastTheLast", 7, Words(4, {9999, 1, 5, 0, 0, 0}), "not a date [9999,1,5,0,0,0]"}),
    test_table::ByName());
// clang-format on

// Day 0 and days past a month's end, as the C library's calendar normalises them.
TEST(TagDescriber, DatesAgreeWithTheCalendar) {
    for (uint32_t year : {1900u, 2000u, 2024u, 2027u})
        for (uint32_t month = 1; month <= 12; ++month)
            for (uint32_t day : {0u, 29u, 31u}) {
                std::tm t{};
                t.tm_year = int(year) - 1900, t.tm_mon = int(month) - 1, t.tm_mday = int(day);
                timegm(&t);
                char iso[24];
                std::strftime(iso, sizeof iso, "%Y-%m-%dT23:59", &t);
                const Bytes v = Words(4, {year, month, day, 23, 59, 0});
                EXPECT_EQ(DescribeTag(TagRecord{7, 0, v})["value"]["iso"], iso);
            }
}

} // namespace
