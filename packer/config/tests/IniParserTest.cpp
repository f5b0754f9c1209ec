// The param.ini grammar, one small file per case: sections, key/value rules, typed look-ups
// and their failures, and the problems the check of param.ini reports, line by line (each kind
// is also run through Varnel in the packer's tests, which also name an unreadable file). Binary
// and huge input is the fuzz target's; trim and the case-insensitive compare are checked through
// the API list.
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "IniParser.h"
#include "ParamOption.h"
#include "TableRow.h"

namespace {

std::string DataFile(const char* name) {
    return std::string(INI_DATA_DIR) + "/" + name;
}

struct StringCase : test_table::Row {
    const char* file;
    const char* section;
    const char* key;
    const char* value; // "-": the default
};

class IniString : public ::testing::TestWithParam<StringCase> {};

TEST_P(IniString, FindsTheValueOrTheDefault) {
    const StringCase& c = GetParam();
    EXPECT_EQ(IniParser(DataFile(c.file)).GetString(c.section, c.key, "-"), c.value);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, IniString, ::testing::Values(
    StringCase{"BeforeFirstHeader", "entries_before_first_header.ini", "Param", "AppName", "Early"},
    StringCase{"NoHeaderIsLost", "no_header.ini", "", "AppName", "-"},
    StringCase{"FirstBlockKept", "section_repeated_later.ini", "Param", "AppName", "First"},
    StringCase{"EachSectionItsOwn", "section_repeated_later.ini", "Other", "AppName", "Other"},
    StringCase{"HeadersInARow", "section_repeated_in_a_row.ini", "Param", "Developer", "Two"},
    StringCase{"BlanksInBrackets", "header_with_blanks.ini", " Param ", "Developer", "Indented"},
    StringCase{"TabInKey", "key_value_rules.ini", "Param", "\tTabKey", "1"},
    StringCase{"ColonBeforeEqual", "key_value_rules.ini", "Param", "Colon:Key", "-"},
    StringCase{"CutAtBlank", "key_value_rules.ini", "Param", "AppName", "Big"},
    StringCase{"NoKey", "key_value_rules.ini", "Param", "", "-"},
    StringCase{"CutAtColon", "key_value_rules.ini", "Param", "Version", "1.0"},
    StringCase{"CrLf", "crlf_line_ends.ini", "Param", "AppName", "Crlf"},
    StringCase{"ByteOrderMark", "byte_order_mark.ini", "Param", "AppName", "Marked"}),
    test_table::ByName());
// clang-format on

TEST(IniNumbers, DecimalPrefixSignDefaultAndFailures) {
    IniParser ini(DataFile("numbers.ini"));
    EXPECT_EQ(ini.GetInteger("Param", "Hex", 9), 0u);
    EXPECT_EQ(ini.GetInteger("Param", "Tail", 9), 12u);
    EXPECT_EQ(ini.GetInteger("Param", "Neg", 9), 4294967291u);
    EXPECT_EQ(ini.GetInteger("Param", "Max", 9), 4294967295u);
    EXPECT_EQ(ini.GetInteger("Param", "Missing", 9), 9u);
    for (const char* key : {"Word", "Sign", "Big", "Double"})
        EXPECT_THROW(ini.GetInteger("Param", key, 0), std::runtime_error) << key;
}

TEST(IniBooleans, WordsInAnyCaseAndDefaultOtherwise) {
    IniParser ini(DataFile("booleans.ini"));
    for (const char* key : {"A", "B", "C"})
        EXPECT_TRUE(ini.GetBoolean("Param", key, false)) << key;
    for (const char* key : {"D", "E", "F"})
        EXPECT_FALSE(ini.GetBoolean("Param", key, true)) << key;
    for (const char* key : {"G", "H", "I", "Missing"}) {
        EXPECT_TRUE(ini.GetBoolean("Param", key, true)) << key;
        EXPECT_FALSE(ini.GetBoolean("Param", key, false)) << key;
    }
}

struct ProblemCase : test_table::Row {
    const char* file;
    std::vector<std::string> problems; // after the file's path
};

class ParamProblems : public ::testing::TestWithParam<ProblemCase> {};

TEST_P(ParamProblems, AreFoundLineByLine) {
    const std::string path = DataFile(GetParam().file);
    std::vector<std::string> want;
    for (const std::string& problem : GetParam().problems)
        want.push_back(path + problem);
    EXPECT_EQ(ParamOption(path).Problems(), want);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, ParamProblems, ::testing::Values(
    ProblemCase{"Clean", "problems_none.ini", {}},
    ProblemCase{"NearestKeys", "unknown_keys.ini", {
        ":2: unknown key Verison (nearest known key: Version)",
        ":3: unknown key appname (nearest known key: AppName)",
        ":4: unknown key PushI (nearest known key: PushID)",
        ":5: unknown key Z (nearest known key: IMSI)",
        ":6: unknown key ApplicationName (nearest known key: AppName)",
        ":7: unknown key VIPType (nearest known key: VPIType)",
        ":8: unknown key Pusi (nearest known key: Push)",
        ":9: unknown key CthName (nearest known key: ChtName)"}}, // a transposition is one edit
    ProblemCase{"ValueShapes", "value_shapes.ini", {
        ":2: AppID=x1 is not a decimal number",
        ":3: MemorySize=12k has characters after its digits, which are ignored",
        ":5: Resolution=-5 has a minus sign: the number wraps round to 2^32 - n",
        ":6: AppName=Snake Game is cut at a blank or colon: it stores \"Snake\""}}),
    test_table::ByName());
// clang-format on

} // namespace
