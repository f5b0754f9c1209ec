// The param.ini grammar, one small file per case: sections, key/value rules, typed look-ups
// and their failures. Binary and huge input is the fuzz target's; trim and the
// case-insensitive compare are checked through the API list.
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "IniParser.h"
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

} // namespace
