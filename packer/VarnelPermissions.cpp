// The permission record: the API list of param.ini ("Audio-Call-Camera") becomes one flag per
// platform service, and every set flag one (permission id, 1) pair in ascending flag order.

#include "IniParser.h"
#include "Utility.h"
#include "Varnel.h"

namespace {

struct ApiName {
    const char* name;
    int flag;
};

// Compared in this order; the flag order is that of the permission ids.
const ApiName kApiNames[] = {
    {"Audio", 0},       {"Call", 1},       {"Camera", 2},   {"Tcp", 10},     {"File", 3},
    {"Http", 4},        {"Sensor", 6},     {"Sim", 7},      {"Record", 5},   {"SMS(person)", 8},
    {"SMS(SP)", 9},     {"Bitstream", 13}, {"Contact", 14}, {"Lbs", 15},     {"Mms", 16},
    {"ProMng", 17},     {"SmsMng", 18},    {"Video", 19},   {"XML", 20},     {"Sec", 12},
    {"SysStorage", 11}, {"Payment", 21},   {"SysFile", 22}, {"SysDisk", 22}, {"BT", 23},
    {"UDP", 24},        {"PUSH", 25}};

void SetFlagOf(_apiList* list, const std::string& token) {
    for (const ApiName& api : kApiNames)
        if (caseInsensitiveStringCompare(token, api.name)) {
            list->flag[api.flag] = true;
            return;
        }
}

} // namespace

void Varnel::ParserAPIList(_apiList* list, const char* text) {
    std::string rest = trim(text);
    while (!rest.empty()) {
        const auto dash = rest.find('-');
        const std::string token = rest.substr(0, dash);
        rest = dash == std::string::npos ? std::string() : rest.substr(dash + 1);
        SetFlagOf(list, token);
    }
}

int Varnel::ComposePerTags(uint8_t* out, _apiList list) {
    int n = TAG_HEADER_SIZE;
    for (int k = 0; k < API_FLAG_COUNT; ++k) {
        if (!list.flag[k])
            continue;
        PutUint32(out + n, PERMISSION_ID_BASE + uint32_t(k));
        PutUint32(out + n + 4, 1);
        n += 8;
    }
    PutUint32(out, TAG_PERMISSIONS);
    PutUint32(out + 4, uint32_t(n - TAG_HEADER_SIZE));
    return n;
}
