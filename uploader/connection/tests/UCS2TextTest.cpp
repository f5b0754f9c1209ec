// The UCS-2 hexadecimal name codecs.
#include <gtest/gtest.h>

#include "UCS2Text.h"
#include "Win2Mac.h"
#include "TableRow.h"

namespace {

std::wstring wide(const CString& s) {
    return std::wstring(s.GetData(), static_cast<size_t>(s.GetDataLength()));
}

// Four lower-case digits per character (ASCII and Latin-1 names are in every command line of
// the connection tests); above FFFF a surrogate pair, outside Unicode FFFD.
TEST(UCS2Text, EncodeGivesFourLowerCaseDigitsPerCharacterAndNarrowingTheCharactersAlone) {
    CString text;
    for (wchar_t c : {0x00E9, 0xFFFF, 0x1F600, 0x110000, -1})
        text += c;
    EXPECT_EQ(EncodeUCS2txt(text), "00e9ffffd83dde00fffdfffd");
    EXPECT_EQ(UCS2toASCII(CString("C:\\ZOV")), "C:\\ZOV"); // no terminator in the text
}

struct DecodeCase : test_table::Row {
    const char* text;
    const wchar_t* expected;
};

class Decode : public ::testing::TestWithParam<DecodeCase> {};

// Upper-case names as the device lists them are decoded in the connection tests' listings.
TEST_P(Decode, GivesCharactersOrTheRawText) {
    EXPECT_EQ(wide(DecodeUCS2txt(GetParam().text)), GetParam().expected) << GetParam().text;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, Decode, ::testing::Values(
    DecodeCase{"LowerCaseDigitsStayRaw", "0041002e", L"0041002e"},
    DecodeCase{"NoWholeGroup", "004", L""},
    DecodeCase{"BeyondLatin1", "00E94E2D", L"\u00e9\u4e2d"}),
    test_table::ByName());
// clang-format on

} // namespace
