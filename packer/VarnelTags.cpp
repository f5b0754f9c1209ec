// The tag block: the main group, the text group, the name list and the permission record in
// that order, closed by an end record, then digested and signed. Texts are checked against
// the sizes the block can hold before anything is composed.
#include <cstdio>
#include <cstring>
#include <vector>

#include "Sign.h"
#include "Utility.h"
#include "Varnel.h"

namespace {

enum GroupSizes {
    MAIN_GROUP_SIZE = 2000,
    TEXT_GROUP_SIZE = 2000,
    NAME_LIST_SIZE = 257,
    PERMISSION_SIZE = 1000,
    SHORT_TEXT_AREA = 512,
    LONG_TEXT_AREA = 1024,
};

struct TextLimit {
    const char* key;
    std::string (ParamOption::*getter)() const;
    size_t max;
    const char* unit;
};

const TextLimit kTextLimits[] = {
    {PARAM_APP_NAME, &ParamOption::GetAppName, 255, "characters"},
    {PARAM_DEVELOPER, &ParamOption::GetDeveloper, 255, "characters"},
    {PARAM_PUSH_SENDER_ID, &ParamOption::GetPushSenderID, 255, "characters"},
    {PARAM_DESC_TEXT, &ParamOption::GetDescText, 511, "characters"},
    {PARAM_VERSION, &ParamOption::GetVersion, 11, "bytes"},
    {PARAM_IMSI, &ParamOption::GetIMSI, 259, "bytes"},
};
const size_t kNameListMaxChars = 105;

struct Keyword {
    const char* word;
    uint32_t code;
};
const Keyword kVpiTypes[] = {{"zirra", 1},      {"vsp", 0},       {"widget", 1}, {"launcher", 3},
                             {"screenlock", 4}, {"wallpaper", 2}, {"others", 5}};

bool InAppSet(const std::string& t) {
    return t == "vxp" || t == "dll" || t == "dlc" || t == "vpc" || t == "dld" || t == "vpd";
}

// Column 0: AppType in the app set, 1: "vsm", 2: any other. An unknown Compiler is read as
// plain "ADS" so that tag 33 always carries a defined code.
uint32_t OutputTypeCode(const std::string& compiler, const std::string& app_type, bool compress) {
    const int column = InAppSet(app_type) ? 0 : (app_type == "vsm" ? 1 : 2);
    static const uint32_t kRvct[3] = {2, 3, 4};
    static const uint32_t kGcc[3] = {6, 7, 7};
    static const uint32_t kAds[3] = {0, 1, 1};
    if (compiler == "RVCT")
        return kRvct[column];
    if (compiler == "GCC")
        return kGcc[column];
    return compress ? 5 : kAds[column];
}

int PutNumberTag(uint8_t* out, uint32_t id, uint32_t value) {
    PutUint32(out, id);
    PutUint32(out + 4, 4);
    PutUint32(out + 8, value);
    return TAG_HEADER_SIZE + 4;
}

int PutDateTag(uint8_t* out, uint32_t id, const uint32_t date[6]) {
    PutUint32(out, id);
    PutUint32(out + 4, 24);
    for (int i = 0; i < 6; ++i)
        PutUint32(out + 8 + 4 * i, date[i]);
    return TAG_HEADER_SIZE + 24;
}

int PutTextTag(uint8_t* out, uint32_t id, const char* text, int max_chars) {
    const int length = StringToUnicode(out + TAG_HEADER_SIZE, text, max_chars);
    PutUint32(out, id);
    PutUint32(out + 4, uint32_t(length));
    return TAG_HEADER_SIZE + length;
}

} // namespace

bool Varnel::CheckTextLimits() {
    for (const TextLimit& limit : kTextLimits) {
        if (((*m_param).*limit.getter)().size() > limit.max) {
            log_output("Parameter %s is too long: at most %zu %s.\n", limit.key, limit.max,
                       limit.unit);
            return false;
        }
    }
    const size_t names =
        m_param->GetEngName().size() + m_param->GetChiName().size() + m_param->GetChtName().size();
    if (names > kNameListMaxChars) {
        log_output("Parameters EngName, ChiName and ChtName are too long: at most %zu characters "
                   "together.\n",
                   kNameListMaxChars);
        return false;
    }
    return true;
}

void Varnel::FillComposeRecord(_composeTagPara* para) {
    const std::string vpi = m_param->GetVPIType();
    const std::string app_type = m_param->GetAppType();
    std::memset(para, 0, sizeof *para);
    std::snprintf(para->appName, sizeof para->appName, "%s", m_param->GetAppName().c_str());
    std::snprintf(para->version, sizeof para->version, "%s", m_param->GetVersion().c_str());
    std::snprintf(para->developer, sizeof para->developer, "%s", m_param->GetDeveloper().c_str());
    para->memorySize = m_param->GetMemorySize();
    para->background = m_param->IsSupportBackground();
    para->rotate = m_param->IsSupportRotate();
    for (const Keyword& k : kVpiTypes)
        if (vpi == k.word) {
            para->vpiType = k.code;
            para->vpiRecognised = 1;
        }
    para->compress = m_param->IsCompress() ? 1 : 0;
    para->outputType = OutputTypeCode(m_param->GetCompiler(), app_type, para->compress != 0);
    para->adapter = m_param->IsAdapter();
    para->autoStart = m_param->IsAutoStart();
    para->kindVpcDlc = app_type == "vpc" || app_type == "dlc";
    para->kindVpdDld = app_type == "vpd" || app_type == "dld";
    para->sysMemAble = m_param->IsSysMemAble();
    para->resolution = m_param->GetResolution();
    para->sysMemorySize = m_param->GetSysMemorySize();
    para->appID = m_param->GetAppID();
    para->pushID = m_param->GetPushID();
    std::snprintf(para->pushSenderID, sizeof para->pushSenderID, "%s",
                  m_param->GetPushSenderID().c_str());
    para->push = m_param->IsSupportPush();
    para->transferImg = para->transferImg2 = m_param->IsTransferImgAble();
    para->idleShortcut = m_param->IsIdleShortcutAble();
}

int Varnel::FormatTag(_composeTagPara* para, md5_state_s_t& state, const uint8_t file_digest[16],
                      uint8_t signature[64], uint8_t* tag_buffer, int& tag_length) {
    if (!CheckTextLimits())
        return FORMAT_TAG_TOO_LONG;
    _apiList api{};
    ParserAPIList(&api, m_param->GetApiList().c_str());
    FillComposeRecord(para);

    std::vector<uint8_t> main_group(MAIN_GROUP_SIZE), text_group(TEXT_GROUP_SIZE);
    std::vector<uint8_t> names(NAME_LIST_SIZE), permissions(PERMISSION_SIZE);
    const int main_length = ComposeTags(main_group.data(), para);
    const int text_length =
        ComposeOPTags(text_group.data(), para, m_param->GetIMSI(), m_param->GetDescText());
    const int permission_length = ComposePerTags(permissions.data(), api);
    const int names_length = ComposeNameListTags(m_param->GetEngName(), m_param->GetChiName(),
                                                 m_param->GetChtName(), names.data());
    const int block_length =
        main_length + text_length + names_length + permission_length + TAG_HEADER_SIZE;
    if (tag_length + block_length > TAG_BUFFER_SIZE) {
        log_output("The tag block is too long: at most %d bytes.\n", int(TAG_BUFFER_SIZE));
        return FORMAT_TAG_TOO_LONG;
    }

    uint8_t* block = tag_buffer + tag_length;
    uint8_t* at = block;
    for (const auto& part :
         {std::make_pair(&main_group, main_length), std::make_pair(&text_group, text_length),
          std::make_pair(&names, names_length), std::make_pair(&permissions, permission_length)}) {
        std::memcpy(at, part.first->data(), size_t(part.second));
        at += part.second;
    }
    std::memset(at, 0, TAG_HEADER_SIZE);

    uint8_t tag_digest[16], signed_digest[16], pair[32];
    md5_init(&state);
    md5_append(&state, block, block_length);
    md5_finish(&state, tag_digest);
    std::memcpy(pair, file_digest, 16);
    std::memcpy(pair + 16, tag_digest, 16);
    md5_init(&state);
    md5_append(&state, pair, 32);
    md5_finish(&state, signed_digest);
    if (!GetSignature(signed_digest, signature)) {
        std::puts("\nVarnel 1.0 get signature failed.");
        std::memset(block, 0, size_t(block_length));
        return FORMAT_TAG_NO_SIGNATURE;
    }
    tag_length += block_length;
    return FORMAT_TAG_OK;
}

int Varnel::ComposeTags(uint8_t* out, _composeTagPara* para) {
    std::memset(out, 0, MAIN_GROUP_SIZE);
    const std::time_t now = Now();
    const std::tm local = *std::localtime(&now);
    const uint32_t year = uint32_t(local.tm_year + 1900), month = uint32_t(local.tm_mon + 1);
    const uint32_t start[6] = {
        year, month, uint32_t(local.tm_mday - 1), uint32_t(local.tm_hour), uint32_t(local.tm_min),
        0};
    const uint32_t end[6] = {month + 2 <= 12 ? year : year + 1,
                             month + 2 <= 12 ? month + 2 : month - 10,
                             uint32_t(local.tm_mday),
                             0,
                             0,
                             0};
    std::memcpy(para->startDate, start, sizeof start);
    if (para->memorySize == 0)
        para->memorySize = DEFAULT_MEMORY_SIZE;
    int version = 0;
    CatchVersion(para->version, &version);

    int n = 0;
    if (para->appName[0])
        n += PutTextTag(out + n, TAG_APP_NAME, para->appName, SHORT_TEXT_AREA);
    n += PutNumberTag(out + n, TAG_APP_ID, para->appID);
    n += PutNumberTag(out + n, TAG_CONST_3, 1);
    n += PutNumberTag(out + n, TAG_VERSION, uint32_t(version));
    n += PutNumberTag(out + n, TAG_CONST_22, 1);
    n += PutDateTag(out + n, TAG_VALID_FROM, start);
    n += PutDateTag(out + n, TAG_VALID_UNTIL, end);
    n += PutNumberTag(out + n, TAG_MEMORY_SIZE, para->memorySize);
    n += PutNumberTag(out + n, TAG_RESOLUTION, para->adapter ? 0 : para->resolution);
    n += PutNumberTag(out + n, TAG_CONST_17, TAG_CONST_17_VALUE);
    n += PutNumberTag(out + n, TAG_OUTPUT_TYPE, para->outputType);
    n += PutNumberTag(out + n, TAG_CONST_35, 1);
    n += PutNumberTag(out + n, TAG_COMPRESS, para->compress);
    n += PutNumberTag(out + n, TAG_BACKGROUND, para->background);
    n += PutNumberTag(out + n, TAG_AUTO_START, para->autoStart);
    n += PutNumberTag(out + n, TAG_TRANSFER_IMG, para->transferImg);
    n += PutNumberTag(out + n, TAG_APP_KIND, para->kindVpcDlc ? 1u : (para->kindVpdDld ? 2u : 0u));
    n += PutNumberTag(out + n, TAG_TRANSFER_IMG_AGAIN, para->transferImg2);
    n += PutNumberTag(out + n, TAG_ROTATE, para->rotate);
    n += PutNumberTag(out + n, TAG_VPI_RECOGNISED, para->vpiRecognised);
    n += PutNumberTag(out + n, TAG_VPI_TYPE, para->vpiType);
    n += PutNumberTag(out + n, TAG_PUSH, para->push);
    n += PutNumberTag(out + n, TAG_PUSH_ID, getPushID(para->pushID));
    if (para->pushSenderID[0])
        n += PutTextTag(out + n, TAG_PUSH_SENDER_ID, para->pushSenderID, SHORT_TEXT_AREA);
    if (para->developer[0])
        n += PutTextTag(out + n, TAG_DEVELOPER, para->developer, SHORT_TEXT_AREA);
    n += PutNumberTag(out + n, TAG_SYS_MEMORY, para->sysMemAble ? para->sysMemorySize : 0);
    n += PutNumberTag(out + n, TAG_IDLE_SHORTCUT, para->idleShortcut);
    return n;
}

int Varnel::ComposeOPTags(uint8_t* out, _composeTagPara*, std::string imsi, std::string desc) {
    std::memset(out, 0, TEXT_GROUP_SIZE);
    int n = 0;
    if (!imsi.empty()) {
        PutUint32(out, TAG_IMSI);
        PutUint32(out + 4, uint32_t(imsi.size()));
        std::memcpy(out + TAG_HEADER_SIZE, imsi.data(), imsi.size());
        n += TAG_HEADER_SIZE + int(imsi.size());
    }
    n += PutTextTag(out + n, TAG_DESCRIPTION, desc.c_str(), LONG_TEXT_AREA);
    return n;
}

int Varnel::ComposeNameListTags(std::string eng, std::string chi, std::string cht, uint8_t* out) {
    std::memset(out, 0, NAME_LIST_SIZE);
    int n = TAG_HEADER_SIZE;
    n += ComposeNameTags(eng, NAME_ENGLISH, n, out);
    n += ComposeNameTags(chi, NAME_CHINESE, n, out);
    n += ComposeNameTags(cht, NAME_TRADITIONAL, n, out);
    n += TAG_HEADER_SIZE; // nested end record, already zero
    PutUint32(out, TAG_NAME_LIST);
    PutUint32(out + 4, uint32_t(n - TAG_HEADER_SIZE));
    return n;
}

int Varnel::ComposeNameTags(std::string text, uint32_t id, int offset, uint8_t* base) {
    return PutTextTag(base + offset, id, text.c_str(), LONG_TEXT_AREA);
}

void Varnel::CatchVersion(const char* text, int* result) {
    const size_t length = std::strlen(text);
    size_t pos = 0;
    uint32_t packed = 0;
    for (int part = 0; part < 3; ++part) {
        size_t end = pos;
        while (end < length && text[end] >= '0' && text[end] <= '9')
            ++end;
        int number = 0; // capped just above 255 so a long run cannot overflow
        for (size_t i = pos; i < end && number <= 255; ++i)
            number = number * 10 + (text[i] - '0');
        if (number > 255)
            return;
        packed |= uint32_t(number) << (8 * (part + 1));
        pos = end + 1;
        if (pos > length)
            pos = length;
    }
    *result = int(packed);
}

uint32_t Varnel::getPushID(uint32_t push_id) {
    uint32_t regrouped = 0;
    for (int k = 0; k < 16; ++k)
        regrouped |= ((push_id >> (2 * k)) & 3u) << (30 - 2 * k);
    return regrouped;
}
