// The engine's memory and string functions where they differ from the C library's.
#include "comm_osal.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(MeAtoi, SkipsSpacesOnlyTakesOneSignAndSaturates) {
    EXPECT_EQ(me_atoi("  -42x"), -42);
    EXPECT_EQ(me_atoi("+"), 0);
    EXPECT_EQ(me_atoi("\t12"), 0);
    EXPECT_EQ(me_atoi("+-1"), 0);
    EXPECT_EQ(me_atoi("007"), 7);
    EXPECT_EQ(me_atoi("77777777777"), INT_MAX);
    EXPECT_EQ(me_atoi("-77777777777"), INT_MIN);
    EXPECT_EQ(me_atoi("-2147483648"), INT_MIN);
    EXPECT_EQ(me_atoi("999999999999999999999999999999"), INT_MAX);
}

TEST(MeStrings, EdgesOfTheCLibraryNamesakes) {
    const char* hay = "abc";
    EXPECT_EQ(me_strstr(hay, ""), hay);
    EXPECT_EQ(me_strstr(hay, "d"), nullptr);
    EXPECT_EQ(me_memcmp("a", "b", 0), 0);
    EXPECT_GT(me_memcmp("\xff", "\x01", 1), 0); // unsigned bytes
    char buffer[4] = "xyz";
    me_memset(buffer, 'q', 0);
    me_memset(buffer, 'q', -3);
    EXPECT_STREQ(buffer, "xyz");
}

} // namespace
