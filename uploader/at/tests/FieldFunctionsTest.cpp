// Field extraction from response lines, including fields wider than their buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "comm_parser.h"

namespace {

TEST(FieldFunctions, SignIdxFindsTheNthSeparator) {
    const char* line = "+EFSW: 1024,0";
    EXPECT_EQ(GetSignIdx(line, ',', 1), 11);
    EXPECT_EQ(GetSignIdx(line, ',', 2), -1);
    EXPECT_EQ(GetSignIdx(line, ',', 0), -1);
    EXPECT_EQ(GetSignCount(line, ','), 1);
}

struct IntegerCase {
    const char* line;
    int start;
    int end;
    int expected;
};

void PrintTo(const IntegerCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(std::string(c.line)) << " " << c.start << ".." << c.end;
}

class IntegerField : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerField, ReadsTheFieldBetweenItsBounds) {
    const IntegerCase& c = GetParam();
    EXPECT_EQ(GetInteger(c.line, c.start, c.end), c.expected) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IntegerField,
    ::testing::Values(IntegerCase{"+EFS: 2048", 4, 10, 2048}, IntegerCase{"+EFS:", 4, 5, 0},
                      IntegerCase{"+EFS:   -7,1", 4, 11, -7}, IntegerCase{"42,1", -1, 2, 42},
                      IntegerCase{"+EFS: 00000000000000000042", 4, 26, 0},
                      IntegerCase{"+EFS: 2048", 4, 2, 0}, IntegerCase{"+EFS: 2048", 4, 500, 2048},
                      IntegerCase{"+EFS: 2048", 50, 60, 0},
                      IntegerCase{"+EFS: 77777777777", 4, 17, 2147483647},
                      IntegerCase{"+EFS: -77777777777,", 4, 18, -2147483647 - 1}));

TEST(FieldFunctions, IntegerFieldOver15CharactersIsCutTo15) {
    // 15 digits still fit; the 16th and later are not read.
    EXPECT_EQ(GetInteger("x:000000000000012999", 1, 20), 12);
}

TEST(FieldFunctions, StringFieldBetweenQuotes) {
    const char* line = "+EFSL: \"0041\",12";
    char out[16];
    GetString(line, out, GetSignIdx(line, '"', 1), GetSignIdx(line, '"', 2), sizeof out);
    EXPECT_STREQ(out, "0041");
    GetString("\"\"", out, 0, 1, sizeof out);
    EXPECT_STREQ(out, "");
}

TEST(FieldFunctions, StringFieldIsCutToItsBuffer) {
    std::string line = "+X: " + std::string(300, 'a');
    char out[8];
    std::memset(out, 'z', sizeof out);
    EXPECT_EQ(GetString(line.c_str(), out, 3, static_cast<int>(line.size()), sizeof out), 7);
    EXPECT_STREQ(out, "aaaaaaa");
}

TEST(FieldFunctions, EndBeforeStartGivesEmptyString) {
    char out[8] = "junk";
    GetString("+EFSL: abc", out, 8, 3, sizeof out);
    EXPECT_STREQ(out, "");
}

TEST(FieldFunctions, HeaderIsTheKeyBeforeTheColon) {
    char key[8];
    EXPECT_EQ(GetHeader(key, "+EFSL: 1", sizeof key), 1);
    EXPECT_STREQ(key, "+EFSL");
    EXPECT_EQ(GetHeader(key, "OK", sizeof key), 0);
    EXPECT_EQ(GetHeader(key, "+VERYLONGKEY: 1", sizeof key), 1);
    EXPECT_STREQ(key, "+VERYLO");
}

TEST(FieldFunctions, TrimRemovesEveryCopyAndTrimrightTrailingSpaces) {
    char out[16];
    EXPECT_EQ(trim('"', "\"ab\"c\"", out), '"');
    EXPECT_STREQ(out, "abc");
    char text[] = "abc   ";
    EXPECT_EQ(trimright(text), 3);
    EXPECT_STREQ(text, "abc");
    char blanks[] = "   ";
    EXPECT_EQ(trimright(blanks), 0);
}

} // namespace
