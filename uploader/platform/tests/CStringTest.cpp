// CString as the upload tool uses it: names built from narrow text, copied, joined and cut into
// the parts of a device path.
#include "Win2Mac.h"

#include <gtest/gtest.h>

#include <climits>
#include <cwchar>

namespace {

TEST(CString, NarrowTextWithHighBytesWidensByteForByte) {
    const char latin[] = {'n', static_cast<char>(0xE9), 'e', 0};
    CString s(latin);
    ASSERT_EQ(s.GetDataLength(), 3);
    EXPECT_EQ(s[1], static_cast<wchar_t>(0xE9));
    CString assigned("x");
    assigned = latin;
    EXPECT_STREQ(assigned.GetData(), s.GetData());
}

TEST(CString, CopiesAndAssignmentsNeverShareABlock) {
    CString s("abcdef");
    s = "ab"; // shorter: the block is reused
    EXPECT_EQ(s.GetDataLength(), 2);
    EXPECT_STREQ(s.GetData(), L"ab");
    CString longer("abcdefgh");
    s = longer; // longer: a new block
    longer += L'!';
    EXPECT_STREQ(s.GetData(), L"abcdefgh");
    CString copy(s);
    copy += L'?';
    EXPECT_STREQ(s.GetData(), L"abcdefgh");
    s = s;
    EXPECT_STREQ(s.GetData(), L"abcdefgh");
    s = CString();
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CString, AppendingKeepsZeroCharactersAndMayAppendItself) {
    CString s("ab");
    s += s;
    EXPECT_STREQ(s.GetData(), L"abab");
    s += CString();
    s += L'\0';
    EXPECT_EQ(s.GetDataLength(), 5);
    EXPECT_EQ(wcslen(s.GetData()), 4u);
}

TEST(CString, MidGivesNothingForARangeOutsideTheText) {
    CString s("abcde");
    EXPECT_STREQ(s.Mid(2, 3).GetData(), L"cde");
    EXPECT_STREQ(s.Mid(0, 1).GetData(), L"a");
    EXPECT_TRUE(s.Mid(2, 4).IsEmpty());
    EXPECT_TRUE(s.Mid(-1, 2).IsEmpty());
    EXPECT_TRUE(s.Mid(1, 0).IsEmpty());
    EXPECT_TRUE(s.Mid(1, INT_MAX).IsEmpty()); // no overflow of first + count
}

} // namespace
