// Name codec, command line syntax and fault patterns: the device's reading of what
// arrives on the line.
#include <gtest/gtest.h>

#include "AtCommandLine.h"
#include "FaultRule.h"
#include "Ucs2Hex.h"

using namespace devsim;

struct NameCase {
    const char* hex;
    bool valid;
    const char* utf8;
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << '"' << c.hex << '"';
}

class Ucs2Decoding : public ::testing::TestWithParam<NameCase> {};

TEST_P(Ucs2Decoding, AcceptsWholeGroupsInEitherCaseOnly) {
    std::string name;
    EXPECT_EQ(DecodeUcs2Hex(GetParam().hex, name), GetParam().valid) << GetParam().hex;
    if (GetParam().valid) {
        EXPECT_EQ(name, GetParam().utf8);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, Ucs2Decoding,
    ::testing::Values(NameCase{"0041002e0076", true, "A.v"}, NameCase{"0041002E0076", true, "A.v"},
                      NameCase{"", true, ""}, NameCase{"00e9", true, "\xC3\xA9"},
                      NameCase{"20AC", true, "\xE2\x82\xAC"},
                      NameCase{"D83DDE00", true, "\xF0\x9F\x98\x80"}, NameCase{"00410", false, ""},
                      NameCase{"004", false, ""}, NameCase{"00G1", false, ""},
                      NameCase{"0000", false, ""}, NameCase{"DC00", false, ""},
                      NameCase{"D83D0041", false, ""}));

TEST(Ucs2Encoding, WritesUpperCaseGroupsAndRoundTripsEveryPlane) {
    EXPECT_EQ(EncodeUcs2Hex("autostart.txt"),
              "006100750074006F00730074006100720074002E007400780074");
    for (const char* name : {"ZOV", "\xC3\xA9t\xC3\xA9", "\xF0\x9F\x98\x80", "a b"}) {
        std::string back;
        ASSERT_TRUE(DecodeUcs2Hex(EncodeUcs2Hex(name), back));
        EXPECT_EQ(back, name);
    }
    EXPECT_EQ(EncodeUcs2Hex("\xFF"), "FFFD");
}

TEST(HexData, RoundTripsEveryByteAndRefusesOddOrForeignText) {
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    std::string back;
    ASSERT_TRUE(HexToBytes(BytesToHex(all), back));
    EXPECT_EQ(back, all);
    EXPECT_EQ(BytesToHex("\x01\xAB\xFF"), "01ABFF");
    EXPECT_TRUE(HexToBytes("01abff", back));
    EXPECT_EQ(back, "\x01\xAB\xFF");
    EXPECT_FALSE(HexToBytes("01A", back));
    EXPECT_FALSE(HexToBytes("0x", back));
}

struct LineCase {
    const char* line;
    bool valid;
    const char* name;
    AtCommandLine::Form form;
    size_t args;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.line;
}

class CommandLineSyntax : public ::testing::TestWithParam<LineCase> {};

TEST_P(CommandLineSyntax, ReadsNameFormAndArguments) {
    AtCommandLine cmd;
    const LineCase& c = GetParam();
    ASSERT_EQ(ParseAtCommandLine(c.line, cmd), c.valid) << c.line;
    if (!c.valid)
        return;
    EXPECT_EQ(cmd.name, c.name);
    EXPECT_EQ(cmd.form, c.form);
    EXPECT_EQ(cmd.args.size(), c.args);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLineSyntax,
    ::testing::Values(LineCase{"AT", true, "", AtCommandLine::kAction, 0},
                      LineCase{"at", true, "", AtCommandLine::kAction, 0},
                      LineCase{"AT+ESUO?", true, "+ESUO", AtCommandLine::kQuery, 0},
                      LineCase{"AT+EFSC=?", true, "+EFSC", AtCommandLine::kTest, 0},
                      LineCase{"AT+efsl", true, "+EFSL", AtCommandLine::kAction, 0},
                      LineCase{"AT+[666]REBOOT", true, "+[666]REBOOT", AtCommandLine::kAction, 0},
                      LineCase{"AT+EFSF=3", true, "+EFSF", AtCommandLine::kSet, 1},
                      LineCase{"AT+EFSF=2,\"0041\"", true, "+EFSF", AtCommandLine::kSet, 2},
                      LineCase{"AT+EFSW=2,1,3,\"01ABFF\"", true, "+EFSW", AtCommandLine::kSet, 4},
                      LineCase{"AT+EFSW=2, 0 , 0,\"\"", true, "+EFSW", AtCommandLine::kSet, 4},
                      LineCase{"AT+ESWM=1,-1", true, "+ESWM", AtCommandLine::kSet, 2},
                      LineCase{"ATX", false, "", AtCommandLine::kAction, 0},
                      LineCase{"A", false, "", AtCommandLine::kAction, 0},
                      LineCase{"AT+", false, "", AtCommandLine::kAction, 0},
                      LineCase{"AT+[]X", false, "", AtCommandLine::kAction, 0},
                      LineCase{"AT+[6a]X", false, "", AtCommandLine::kAction, 0},
                      LineCase{"AT+EFSL=", false, "", AtCommandLine::kAction, 0},
                      LineCase{"AT+EFSL=\"0041", false, "", AtCommandLine::kAction, 0},
                      LineCase{"AT+EFSL=\"0041\"x", false, "", AtCommandLine::kAction, 0},
                      LineCase{"AT+EFSF=2,,\"0041\"", false, "", AtCommandLine::kAction, 0},
                      LineCase{"AT+EFS=1234567890123456789", false, "", AtCommandLine::kAction, 0},
                      LineCase{"AT+EFS=12a", false, "", AtCommandLine::kAction, 0},
                      LineCase{"AT+ESUO?x", false, "", AtCommandLine::kAction, 0}));

TEST(CommandLineSyntax, QuotedTextKeepsCommasAndNumbersTheirSign) {
    AtCommandLine cmd;
    ASSERT_TRUE(ParseAtCommandLine("AT+X=-12,\"a,b\"", cmd));
    EXPECT_EQ(cmd.args[0].number, -12);
    EXPECT_TRUE(cmd.IsText(1));
    EXPECT_EQ(cmd.args[1].text, "a,b");
}

struct RuleCase {
    const char* rule;
    const char* line;
    bool hits;
};

void PrintTo(const RuleCase& c, std::ostream* os) {
    *os << c.rule << " on " << c.line;
}

class FaultPattern : public ::testing::TestWithParam<RuleCase> {};

TEST_P(FaultPattern, MatchesAnywhereOrAnchored) {
    FaultRule rule;
    std::string error;
    ASSERT_TRUE(rule.Parse(GetParam().rule, true, error)) << error;
    EXPECT_EQ(rule.Hits(GetParam().line), GetParam().hits) << GetParam().rule;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FaultPattern,
    ::testing::Values(RuleCase{"EFSD", "AT+EFSD=\"0041\"", true},
                      RuleCase{"efsd", "AT+EFSD", false}, RuleCase{"^AT$", "AT", true},
                      RuleCase{"^AT$", "AT+EFSL", false},
                      RuleCase{"^AT+EFSL", "AT+EFSL=\"00\"", true},
                      RuleCase{"^EFSL", "AT+EFSL", false}, RuleCase{"\"$", "AT+EFSL=\"00\"", true},
                      RuleCase{"=?$", "AT+EFSC=?", true}, RuleCase{"XYZ", "AT", false}));

TEST(FaultPattern, CodeAndOccurrenceComeOffTheEnd) {
    FaultRule rule;
    std::string error;
    ASSERT_TRUE(rule.Parse("AT+EFSW=2,=4@2", true, error));
    EXPECT_TRUE(rule.HasCode());
    EXPECT_EQ(rule.Code(), 4);
    EXPECT_FALSE(rule.Hits("AT+EFSW=2,0,64,\"..\""));
    EXPECT_TRUE(rule.Hits("AT+EFSW=2,0,64,\"..\""));
    EXPECT_FALSE(rule.Hits("AT+EFSW=2,1,3,\"..\""));

    FaultRule plain;
    ASSERT_TRUE(plain.Parse("AT+EFSW=2,@2", true, error));
    EXPECT_FALSE(plain.HasCode());
    FaultRule anchored;
    ASSERT_TRUE(anchored.Parse("AT+ESUO=3$", true, error));
    EXPECT_FALSE(anchored.HasCode());
    EXPECT_TRUE(anchored.Hits("AT+ESUO=3"));
    FaultRule silent;
    ASSERT_TRUE(silent.Parse("AT+ESUO=3", false, error));
    EXPECT_TRUE(silent.Hits("AT+ESUO=3"));
}

TEST(FaultPattern, RefusesEmptyPatternAndOccurrenceZero) {
    std::string error;
    for (const char* bad : {"", "@2", "=5", "x@0", "^"}) {
        FaultRule rule;
        EXPECT_FALSE(rule.Parse(bad, true, error)) << bad;
    }
}
