// The result model's lookups by line and element: what the caller gets for absent or mistyped
// elements.
#include <gtest/gtest.h>

#include "ATResult.h"

namespace {

TEST(ATResultModel, LookupsOfAbsentOrMistypedElementsFail) {
    ATResult result;
    EXPECT_TRUE(result.check_key("")); // an absent key counts as empty text
    EXPECT_FALSE(result.check_key("+EFSL"));
    result.vParamLst.push_back(
        {ATParamElem::Text("+EFSL"), ATParamElem::Text("0041"), ATParamElem::Integer(512)});
    EXPECT_TRUE(result.check_key("+EFSL"));
    EXPECT_FALSE(result.check_key("+EFS"));
    EXPECT_FALSE(result.check_key(nullptr));
    EXPECT_EQ(result.get_integer(0, 2), 512);
    const int absent[][2] = {{0, 1}, {0, 3}, {1, 0}, {-1, 2}, {0, -1}};
    for (const auto& at : absent)
        EXPECT_EQ(result.get_integer(at[0], at[1]), -1) << at[0] << "," << at[1];
    std::string out = "keep";
    EXPECT_FALSE(result.get_string(out, 0, 2));
    EXPECT_FALSE(result.get_string(out, 1, 0));
    EXPECT_EQ(out, "keep");
    EXPECT_TRUE(result.get_string(out, 0, 1));
    EXPECT_EQ(out, "0041");
}

TEST(ATResultModel, ClearKeepsTheResultCode) {
    ATResult result;
    result.vParamLst.push_back({ATParamElem::Integer(1)});
    result.resultcode = 21;
    result.clear();
    EXPECT_TRUE(result.vParamLst.empty());
    EXPECT_EQ(result.resultcode, 21);
}

} // namespace
