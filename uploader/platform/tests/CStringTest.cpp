// The wide string's range operation, which its callers feed with computed positions, and its
// assignment, whose copy the C library's wide string functions read.
#include "Win2Mac.h"

#include <gtest/gtest.h>

namespace {

// A range that starts before the text or runs past its end gives nothing, not a part.
TEST(CString, MidGivesTheWholeRangeOrNothing) {
    const CString text("abcde");
    EXPECT_STREQ(text.Mid(2, 3).GetData(), L"cde");
    EXPECT_EQ(text.Mid(2, 4).GetDataLength(), 0);
    EXPECT_EQ(text.Mid(-1, 2).GetDataLength(), 0);
}

TEST(CString, AssignmentCopiesTheTextAndItsTerminator) {
    CString copy("a longer text before");
    copy = CString("abc");
    EXPECT_STREQ(copy.GetData(), L"abc");
}

} // namespace
