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
    std::vector<uint32_t> ids; // the record's header and the 1 of each pair: golden blocks
    for (int at = 8; at < n; at += 8)
        ids.push_back(GetUint32(out + at));
    return ids;
}

struct ListCase {
    const char* name;
    const char* list;
    std::vector<uint32_t> ids;
};

class ApiList : public ::testing::TestWithParam<ListCase> {};

TEST_P(ApiList, GivesPairsInAscendingFlagOrder) {
    EXPECT_EQ(PermissionIds(GetParam().list), GetParam().ids);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ApiList,
    ::testing::Values(
        ListCase{"AnyCase", "audio-CALL", {5000, 5001}},
        ListCase{"SysDiskIsSysFile", "SysFile-SysDisk", {5022}},
        ListCase{"EmptyTokens", "Audio--Call-", {5000, 5001}},
        ListCase{"UnknownAndRepeated", "Audio-Wifi-Audio", {5000}},
        ListCase{"OuterBlanks", " \tRecord-Sensor\r\n", {5005, 5006}},
        ListCase{"InnerBlank", "Audio- Call", {5000}},
        ListCase{"EveryName",
                 "Audio-Call-Camera-File-Http-Record-Sensor-Sim-SMS(person)-SMS(SP)-Tcp-"
                 "SysStorage-Sec-Bitstream-Contact-Lbs-Mms-ProMng-SmsMng-Video-XML-Payment-"
                 "SysFile-BT-UDP-PUSH",
                 {5000, 5001, 5002, 5003, 5004, 5005, 5006, 5007, 5008, 5009, 5010, 5011, 5012,
                  5013, 5014, 5015, 5016, 5017, 5018, 5019, 5020, 5021, 5022, 5023, 5024, 5025}}),
    [](const ::testing::TestParamInfo<ListCase>& c) { return c.param.name; });

} // namespace
