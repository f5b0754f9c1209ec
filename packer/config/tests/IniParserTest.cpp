// The param.ini grammar: sections, key/value rules, typed look-ups and their failures.
#include <clocale>
#include <cstring>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "IniParser.h"

namespace {

IniParser Load(const char* name) {
    return IniParser(std::string(INI_DATA_DIR) + "/" + name);
}

TEST(IniSections, EntriesBeforeTheFirstHeaderBelongToIt) {
    IniParser ini = Load("entries_before_first_header.ini");
    EXPECT_EQ(ini.GetString("Param", "AppName", "-"), "Early");
    EXPECT_EQ(ini.GetString("Param", "Version", "-"), "1.0");
    EXPECT_EQ(ini.GetString("Param", "Developer", "-"), "Late");
}

TEST(IniSections, EntriesWithoutAnyHeaderAreLost) {
    IniParser ini = Load("no_header.ini");
    EXPECT_EQ(ini.GetString("", "AppName", "default"), "default");
    EXPECT_EQ(ini.GetString("Param", "AppName", "default"), "default");
}

TEST(IniSections, ALaterBlockOfAKnownSectionIsDropped) {
    IniParser ini = Load("section_repeated_later.ini");
    EXPECT_EQ(ini.GetString("Param", "AppName", "-"), "First");
    EXPECT_EQ(ini.GetString("Param", "Developer", "-"), "-");
    EXPECT_EQ(ini.GetString("Other", "X", "-"), "1");
}

TEST(IniSections, RepeatedHeadersInARowFormOneBlock) {
    IniParser ini = Load("section_repeated_in_a_row.ini");
    EXPECT_EQ(ini.GetString("Param", "AppName", "-"), "One");
    EXPECT_EQ(ini.GetString("Param", "Developer", "-"), "Two");
}

TEST(IniSections, BlanksInBracketsStayAndAnIndentedHeaderIsNone) {
    IniParser ini = Load("header_with_blanks.ini");
    EXPECT_EQ(ini.GetString(" Param ", "AppName", "-"), "Blank");
    EXPECT_EQ(ini.GetString(" Param ", "Developer", "-"), "Indented");
    EXPECT_EQ(ini.GetString("Param", "AppName", "-"), "-");
}

TEST(IniValues, FirstOfTwoEqualKeysWins) {
    EXPECT_EQ(Load("duplicate_key.ini").GetString("Param", "AppName", "-"), "First");
}

TEST(IniValues, KeyAndValueRules) {
    IniParser ini = Load("key_value_rules.ini");
    EXPECT_EQ(ini.GetString("Param", "\tTabKey", "-"), "1");
    EXPECT_EQ(ini.GetString("Param", "TabKey", "-"), "-");
    EXPECT_EQ(ini.GetString("Param", "TabValue", "-"), "\tx");
    EXPECT_EQ(ini.GetString("Param", "Empty", "-"), "-");
    EXPECT_EQ(ini.GetString("Param", "Spaces", "-"), "-");
    EXPECT_EQ(ini.GetString("Param", "Colon", "-"), "-");
    EXPECT_EQ(ini.GetString("Param", ":Start", "-"), "-");
    EXPECT_EQ(ini.GetString("Param", "AppName", "-"), "Big");
    EXPECT_EQ(ini.GetString("Param", "Version", "-"), "1.0");
    EXPECT_EQ(ini.GetString("Param", "appname", "-"), "-");
}

TEST(IniValues, CrLfAndLfFilesReadAlike) {
    IniParser crlf = Load("crlf_line_ends.ini"), lf = Load("lf_line_ends.ini");
    EXPECT_EQ(crlf.GetString("Param", "AppName", "-"), "Crlf");
    EXPECT_EQ(crlf.GetString("Param", "AppName", "-"), lf.GetString("Param", "AppName", "+"));
    EXPECT_EQ(crlf.GetInteger("Param", "MemorySize", 0), 12u);
    EXPECT_EQ(Load("last_line_without_newline.ini").GetString("Param", "AppName", "-"),
              "NoNewline");
}

TEST(IniNumbers, DecimalPrefixSignAndDefault) {
    IniParser ini = Load("numbers.ini");
    EXPECT_EQ(ini.GetInteger("Param", "Hex", 9), 0u);
    EXPECT_EQ(ini.GetInteger("Param", "Tail", 9), 12u);
    EXPECT_EQ(ini.GetInteger("Param", "Neg", 9), 4294967291u);
    EXPECT_EQ(ini.GetInteger("Param", "Max", 9), 4294967295u);
    EXPECT_EQ(ini.GetInteger("Param", "Missing", 9), 9u);
}

TEST(IniNumbers, UnreadableNumbersThrowWithTheirText) {
    IniParser ini = Load("numbers.ini");
    for (const char* key : {"Word", "Sign", "Big", "Double"}) {
        try {
            ini.GetInteger("Param", key, 0);
            ADD_FAILURE() << key << " did not throw";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Invalid converstion for: ", 0), 0u) << key;
        }
    }
    try {
        ini.GetInteger("Param", "Word", 0);
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Invalid converstion for: abc");
    }
}

TEST(IniBooleans, WordsInAnyCaseAndDefaultOtherwise) {
    IniParser ini = Load("booleans.ini");
    for (const char* key : {"A", "B", "C"})
        EXPECT_TRUE(ini.GetBoolean("Param", key, false)) << key;
    for (const char* key : {"D", "E", "F"})
        EXPECT_FALSE(ini.GetBoolean("Param", key, true)) << key;
    for (const char* key : {"G", "H", "I", "Missing"}) {
        EXPECT_TRUE(ini.GetBoolean("Param", key, true)) << key;
        EXPECT_FALSE(ini.GetBoolean("Param", key, false)) << key;
    }
}

TEST(IniFile, MissingFileGivesDefaultsAndLocaleEndsAsC) {
    IniParser ini(std::string(INI_DATA_DIR) + "/does_not_exist.ini");
    EXPECT_FALSE(ini.IsIniReady());
    EXPECT_EQ(ini.GetInteger("Param", "MemorySize", 3), 3u);
    EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
    EXPECT_TRUE(Load("booleans.ini").IsIniReady());
    EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
}

TEST(IniFile, BinaryAndHugeInputDoNotCrash) {
    IniParser garbage = Load("binary_garbage.ini");
    garbage.GetString("Param", "AppName", "");
    EXPECT_EQ(Load("very_long_line.ini").GetString("Param", "AppName", "").size(), 200000u);
}

TEST(IniText, TrimAndCaseInsensitiveCompare) {
    EXPECT_EQ(trim(" \t\r\nAudio-Call\n "), "Audio-Call");
    EXPECT_EQ(trim(" \t "), "");
    EXPECT_TRUE(caseInsensitiveStringCompare("SMS(sp)", "sms(SP)"));
    EXPECT_FALSE(caseInsensitiveStringCompare("Audio", "Audi"));
}

} // namespace
