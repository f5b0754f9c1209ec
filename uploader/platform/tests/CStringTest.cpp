// CString: construction, assignment, concatenation, search, trimming, insertion and Format.
#include "Win2Mac.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {

TEST(CString, EmptyFormsAreReadableAndEmpty) {
    const CString fromNothing, fromNullWide(static_cast<const wchar_t*>(nullptr)),
        fromNullNarrow(static_cast<const char*>(nullptr)), fromEmpty("");
    for (const CString* s : {&fromNothing, &fromNullWide, &fromNullNarrow, &fromEmpty}) {
        EXPECT_TRUE(s->IsEmpty());
        EXPECT_STREQ(s->GetData(), L"");
    }
}

TEST(CString, NarrowTextWithHighBytesWidensByteForByte) {
    const char latin[] = {'n', static_cast<char>(0xE9), 'e', 0};
    CString s(latin);
    ASSERT_EQ(s.GetDataLength(), 3);
    EXPECT_EQ(s[1], static_cast<wchar_t>(0xE9));
    CString assigned;
    assigned = latin;
    EXPECT_STREQ(assigned.GetData(), s.GetData());
}

TEST(CString, AssignmentCopiesAndReusesOnlyWhenNotLonger) {
    CString s("abcdef");
    s = "ab";
    EXPECT_EQ(s.GetDataLength(), 2);
    s = L"abcdef";
    EXPECT_STREQ(s.GetData(), L"abcdef");
    CString copy(s);
    copy += L'!';
    EXPECT_STREQ(s.GetData(), L"abcdef"); // no shared block
    s = s;
    EXPECT_STREQ(s.GetData(), L"abcdef");
    s = CString();
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CString, ConcatenationKeepsZeroCharactersAndSelfAppend) {
    CString s("ab");
    s += s;
    EXPECT_STREQ(s.GetData(), L"abab");
    s += L'\0';
    EXPECT_EQ(s.GetDataLength(), 5);
    EXPECT_EQ(wcslen(s.GetData()), 4u);
    EXPECT_STREQ((CString("x") + L"y").GetData(), L"xy");
    EXPECT_STREQ((L"x" + CString("y")).GetData(), L"xy");
    EXPECT_STREQ((CString("x") + static_cast<const wchar_t*>(nullptr)).GetData(), L"x");
    EXPECT_STREQ((CString("x") + CString("y")).GetData(), L"xy");
}

TEST(CString, SearchLimits) {
    CString s("a.b.c");
    EXPECT_EQ(s.Find(L'.'), 1);
    EXPECT_EQ(s.Find(L'.', 2), 3);
    EXPECT_EQ(s.Find(L'a', 5), -1);  // start at the length
    EXPECT_EQ(s.Find(L'a', -1), -1); // negative start
    EXPECT_EQ(s.Find(L"b.c"), 2);
    EXPECT_EQ(s.Find(L""), -1);
    EXPECT_EQ(s.Find(L"c", 6), -1);
    EXPECT_EQ(s.FindOneOf(L"cb"), 2);
    EXPECT_EQ(s.FindOneOf(L""), -1);
    EXPECT_EQ(s.ReverseFind(L'.'), 3);
    EXPECT_EQ(s.ReverseFind(L'\0'), 5);
}

TEST(CString, MidGivesNothingForARangePastTheEnd) {
    CString s("abcde");
    EXPECT_STREQ(s.Mid(2, 3).GetData(), L"cde");
    EXPECT_TRUE(s.Mid(2, 4).IsEmpty());
    EXPECT_TRUE(s.Mid(-1, 2).IsEmpty());
    EXPECT_TRUE(s.Mid(1, 0).IsEmpty());
    EXPECT_TRUE(s.Mid(1, 0x7FFFFFFF).IsEmpty()); // no overflow of first + count
}

TEST(CString, TrimsTheFourBlanksOnly) {
    CString s(L"\t\n\r x\v\f \r\n");
    s.TrimRight();
    EXPECT_STREQ(s.GetData(), L"\t\n\r x\v\f");
    s.TrimLeft();
    EXPECT_STREQ(s.GetData(), L"x\v\f");
    CString blanks(L" \t ");
    blanks.TrimLeft();
    EXPECT_TRUE(blanks.IsEmpty());
}

TEST(CString, InsertClampsToTheEndAndIgnoresZeroOrNegative) {
    CString s("ac");
    EXPECT_EQ(s.Insert(1, L'b'), 3);
    EXPECT_EQ(s.Insert(99, L"de"), 5);
    EXPECT_STREQ(s.GetData(), L"abcde");
    EXPECT_EQ(s.Insert(-1, L'x'), 5);
    EXPECT_EQ(s.Insert(0, L'\0'), 5);
    EXPECT_STREQ(s.GetData(), L"abcde");
}

TEST(CString, FormatSizesItsBlockByTheEstimate) {
    CString s;
    s.Format(L"%d", 42);
    EXPECT_STREQ(s.GetData(), L"42");
    s.Format(L"%s%s|%c|%04X", L"ab", L"cde", L'z', 255u);
    EXPECT_STREQ(s.GetData(), L"abcde|z|00FF");
    s.Format(L"%s", static_cast<const wchar_t*>(nullptr)); // does not fit its estimate
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CString, GetBufferGrowsAndLosesTheText) {
    CString s("abc");
    EXPECT_EQ(s.GetBuffer(2), s.GetData());
    wchar_t* block = s.GetBuffer(8);
    EXPECT_EQ(s.GetDataLength(), 8);
    wcscpy(block, L"xy");
    s.ReleaseBuffer(2);
    EXPECT_STREQ(s.GetData(), L"xy");
    EXPECT_EQ(s.GetDataLength(), 2);
}

} // namespace
