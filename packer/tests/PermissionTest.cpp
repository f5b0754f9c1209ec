// The API list text and the permission record it gives.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Utility.h"
#include "Varnel.h"

namespace {

std::vector<uint32_t> PermissionIds(const char* list) {
    Varnel v("unused", "/nonexistent/param.ini");
    _apiList api{};
    v.ParserAPIList(&api, list);
    uint8_t out[1000];
    const int n = v.ComposePerTags(out, api);
    EXPECT_EQ(GetUint32(out), 19u);
    EXPECT_EQ(int(GetUint32(out + 4)), n - 8);
    std::vector<uint32_t> ids;
    for (int at = 8; at < n; at += 8) {
        EXPECT_EQ(GetUint32(out + at + 4), 1u);
        ids.push_back(GetUint32(out + at));
    }
    return ids;
}

struct ListCase {
    const char* list;
    std::vector<uint32_t> ids;
};

class ApiList : public ::testing::TestWithParam<ListCase> {};

TEST_P(ApiList, GivesPairsInAscendingFlagOrder) {
    EXPECT_EQ(PermissionIds(GetParam().list), GetParam().ids);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ApiList,
    ::testing::Values(ListCase{"Audio-Call-Camera", {5000, 5001, 5002}},
                      ListCase{"Call-Audio", {5000, 5001}}, ListCase{"audio-CALL", {5000, 5001}},
                      ListCase{"SysFile-SysDisk", {5022}}, ListCase{"Tcp", {5010}},
                      ListCase{"Audio--Call", {5000, 5001}}, ListCase{"Audio-Call-", {5000, 5001}},
                      ListCase{"Audio-Wifi", {5000}}, ListCase{"Audio-Audio", {5000}},
                      ListCase{"", {}}, ListCase{" \tRecord-Sensor\r\n", {5005, 5006}},
                      ListCase{"Audio- Call", {5000}}));

TEST(ApiList, EveryNameGivesAllTwentySixPairs) {
    const auto ids = PermissionIds(
        "Audio-Call-Camera-Tcp-File-Http-Sensor-Sim-Record-SMS(person)-SMS(SP)-Bitstream-Contact-"
        "Lbs-Mms-ProMng-SmsMng-Video-XML-Sec-SysStorage-Payment-SysFile-SysDisk-BT-UDP-PUSH");
    ASSERT_EQ(ids.size(), 26u);
    for (uint32_t k = 0; k < 26; ++k)
        EXPECT_EQ(ids[k], 5000 + k);
}

} // namespace
