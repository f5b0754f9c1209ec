// The result model's lookups by line and element.
#include <gtest/gtest.h>

#include "ATResult.h"
#include "Win2Mac.h"

namespace {

ATResult sample() {
    ATResult result;
    result.vParamLst.push_back(
        {ATParamElem::Text("+EFSL"), ATParamElem::Text("0041"), ATParamElem::Integer(512)});
    return result;
}

TEST(ATResultModel, CheckKeyOnEmptyResult) {
    ATResult empty;
    EXPECT_FALSE(empty.check_key("+EFSL"));
    EXPECT_TRUE(empty.check_key(""));
    EXPECT_FALSE(empty.check_key(nullptr));
    EXPECT_TRUE(sample().check_key("+EFSL"));
    EXPECT_FALSE(sample().check_key("+EFS"));
}

TEST(ATResultModel, GetIntegerGivesMinusOneForMissingOrTextElements) {
    ATResult result = sample();
    EXPECT_EQ(result.get_integer(0, 2), 512);
    EXPECT_EQ(result.get_integer(0, 1), -1);
    EXPECT_EQ(result.get_integer(1, 0), -1);
    EXPECT_EQ(result.get_integer(-1, 2), -1);
    EXPECT_EQ(result.get_integer(0, -1), -1);
}

TEST(ATResultModel, GetStringLeavesOutputAloneOnFailure) {
    ATResult result = sample();
    std::string out = "keep";
    EXPECT_FALSE(result.get_string(out, 0, 2));
    EXPECT_FALSE(result.get_string(out, 3, 0));
    EXPECT_EQ(out, "keep");
    EXPECT_TRUE(result.get_string(out, 0, 1));
    EXPECT_EQ(out, "0041");
}

TEST(ATResultModel, GetStringIntoCStringEmptiesItFirst) {
    ATResult result = sample();
    CString name("old");
    EXPECT_FALSE(result.get_string(name, 0, 9));
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_TRUE(result.get_string(name, 0, 1));
    EXPECT_EQ(name.GetDataLength(), 4);
}

TEST(ATResultModel, ClearKeepsTheResultCode) {
    ATResult result = sample();
    result.resultcode = 21;
    result.clear();
    EXPECT_TRUE(result.vParamLst.empty());
    EXPECT_EQ(result.resultcode, 21);
}

} // namespace
