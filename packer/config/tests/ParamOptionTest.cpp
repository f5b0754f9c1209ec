// The problems the check of param.ini reports, line by line (each kind is also run through
// Varnel in the packer's tests, which also name an unreadable file).
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ParamOption.h"
#include "TableRow.h"

namespace {

struct ProblemCase : test_table::Row {
    const char* file;
    std::vector<std::string> problems; // after the file's path
};

class ParamProblems : public ::testing::TestWithParam<ProblemCase> {};

TEST_P(ParamProblems, AreFoundLineByLine) {
    const std::string path = std::string(INI_DATA_DIR) + "/" + GetParam().file;
    std::vector<std::string> want;
    for (const std::string& problem : GetParam().problems)
        want.push_back(path + problem);
    EXPECT_EQ(ParamOption(path).Problems(), want);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, ParamProblems, ::testing::Values(
    ProblemCase{"Clean", "problems_none.ini", {}},
    ProblemCase{"NearestKeys", "unknown_keys.ini", {
        ":2: unknown key Verison (nearest known key: Version)",
        ":3: unknown key appname (nearest known key: AppName)",
        ":4: unknown key PushI (nearest known key: PushID)",
        ":5: unknown key Z (nearest known key: IMSI)",
        ":6: unknown key ApplicationName (nearest known key: AppName)",
        ":7: unknown key VIPType (nearest known key: VPIType)",
        ":8: unknown key Pusi (nearest known key: Push)"}},
    ProblemCase{"ValueShapes", "value_shapes.ini", {
        ":2: AppID=x1 is not a decimal number",
        ":3: MemorySize=12k has characters after its digits, which are ignored",
        ":5: Resolution=-5 has a minus sign: the number wraps round to 2^32 - n",
        ":6: AppName=Snake Game is cut at a blank or colon: it stores \"Snake\""}}),
    test_table::ByName());
// clang-format on

} // namespace
