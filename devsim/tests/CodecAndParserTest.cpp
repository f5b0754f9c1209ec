// Name codec: the device's reading of the names that arrive on the line. (The command syntax
// and the fault patterns are checked through the command table, in DeviceSessionTest, which
// also sends names in lower-case digits; upper-case digits and every plane round-trip below.)
#include <gtest/gtest.h>

#include "Ucs2Hex.h"
#include "TableRow.h"

using namespace devsim;

struct NameCase : test_table::Row {
    const char* hex;
    const char* utf8; // nullptr: refused
};

class Ucs2Decoding : public ::testing::TestWithParam<NameCase> {};

TEST_P(Ucs2Decoding, AcceptsOnlyWholeGroupsAndPairedSurrogates) {
    std::string name;
    ASSERT_EQ(DecodeUcs2Hex(GetParam().hex, name), GetParam().utf8 != nullptr);
    if (GetParam().utf8 != nullptr) {
        EXPECT_EQ(name, GetParam().utf8);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, Ucs2Decoding,
    ::testing::Values(NameCase{"LastCodePoint", "DBFFDFFF", "\xF4\x8F\xBF\xBF"},
                      NameCase{"OddDigits", "00410", nullptr},
                      NameCase{"NotADigit", "00G1", nullptr},
                      NameCase{"NulCharacter", "00410000", nullptr},
                      NameCase{"LoneLowSurrogate", "DC00", nullptr},
                      NameCase{"LastLowSurrogate", "DFFF", nullptr},
                      NameCase{"FirstAfterTheSurrogates", "E000", "\xEE\x80\x80"},
                      NameCase{"HighSurrogateThenLetter", "D83D0041", nullptr}),
    test_table::ByName());

TEST(Ucs2Encoding, RoundTripsEveryPlaneAndReplacesMalformedUtf8) {
    for (const char* name : {"\xC2\x80", "\xDF\xBFt\xC3\xA9", "\xE0\xA0\x80\xEF\xBF\xBF",
                             "\xF0\x90\x80\x80\xF0\x9F\x98\x80"}) {
        std::string back;
        ASSERT_TRUE(DecodeUcs2Hex(EncodeUcs2Hex(name), back));
        EXPECT_EQ(back, name);
    }
    for (const char* malformed : {"\xFF", "\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80"})
        EXPECT_EQ(EncodeUcs2Hex(malformed), "FFFD") << "lone byte, overlong or surrogate";
}
