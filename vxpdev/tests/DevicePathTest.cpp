// Typed UTF-8 paths to device paths and device names back to UTF-8, malformed input included.
#include <gtest/gtest.h>

#include "DevicePath.h"
#include "TableRow.h"

namespace {

struct PathCase : test_table::Row {
    std::string typed;
    std::wstring device;
};

class TypedPath : public ::testing::TestWithParam<PathCase> {};

TEST_P(TypedPath, BecomesTheDeviceForm) {
    CString path = DevicePath(GetParam().typed);
    EXPECT_EQ(std::wstring(path.GetData(), static_cast<size_t>(path.GetDataLength())),
              GetParam().device);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Paths, TypedPath, ::testing::Values(
    PathCase{"SlashesAndTrailingOnes", "C:/ZOV//", L"C:\\ZOV"},
    PathCase{"TwoAndThreeByteCharacters", "C:/\xC3\xB1\xE2\x82\xAC\xC2\x80\xE0\xA0\x80", L"C:\\\x00F1\x20AC\x80\x800"},
    PathCase{"CutSequence", "a\xE2\x82", L"a\xFFFD"},
    PathCase{"StrayContinuationAndFiveByteLead", "\x80\xF8\x88\x80\x80\x80", L"\xFFFD\xFFFD\xFFFD\xFFFD\xFFFD\xFFFD"},
    PathCase{"OverlongSlash", "\xC0\xAF", L"\xFFFD"},
    PathCase{"EncodedSurrogate", "\xED\xA0\x80", L"\xFFFD"}),
    test_table::ByName());
// clang-format on

TEST(DeviceName, SurrogatePairsJoinAndLoneOnesAreReplaced) {
    CString name;
    for (wchar_t c : std::wstring(L"\xD83D\xDE00|\xD800|\xDE00\x80\x7FF\x800\xD800\xDC00\x110000"))
        name += c;
    EXPECT_EQ(Utf8(name), "\xF0\x9F\x98\x80|\xEF\xBF\xBD|\xEF\xBF\xBD\xC2\x80\xDF\xBF\xE0\xA0\x80"
                          "\xF0\x90\x80\x80\xEF\xBF\xBD");
}

} // namespace
