// Typed getters over section "Param" of param.ini; every one asks whether the file is still
// readable before answering, as the parameter file may vanish during a run.
#include "ParamOption.h"

#include <utility>

const ParamKey PARAM_KEYS[] = {
    {PARAM_APP_NAME, ParamType::Text},
    {PARAM_VERSION, ParamType::Text},
    {PARAM_DEVELOPER, ParamType::Text},
    {PARAM_ENG_NAME, ParamType::Text},
    {PARAM_CHI_NAME, ParamType::Text},
    {PARAM_CHT_NAME, ParamType::Text},
    {PARAM_IMSI, ParamType::Text},
    {PARAM_DESC_TEXT, ParamType::Text},
    {PARAM_API_LIST, ParamType::Text},
    {PARAM_APP_TYPE, ParamType::Text},
    {PARAM_COMPILER, ParamType::Text},
    {PARAM_OUTPUT, ParamType::Text},
    {PARAM_VPI_TYPE, ParamType::Text},
    {PARAM_PUSH_SENDER_ID, ParamType::Text},
    {PARAM_MEMORY_SIZE, ParamType::Number},
    {PARAM_RESOLUTION, ParamType::Number},
    {PARAM_SYS_MEM_SIZE, ParamType::Number},
    {PARAM_APP_ID, ParamType::Number},
    {PARAM_PUSH_ID, ParamType::Number},
    {PARAM_BACKGROUND, ParamType::Boolean},
    {PARAM_ROTATE, ParamType::Boolean},
    {PARAM_COMPRESS, ParamType::Boolean},
    {PARAM_ADAPTER, ParamType::Boolean},
    {PARAM_SYS_MEM_ABLE, ParamType::Boolean},
    {PARAM_PUSH, ParamType::Boolean},
    {PARAM_AUTO_START, ParamType::Boolean},
    {PARAM_TRANSFER_IMG, ParamType::Boolean},
    {PARAM_IDLE_SHORTCUT, ParamType::Boolean},
};
const size_t PARAM_KEY_COUNT = sizeof PARAM_KEYS / sizeof *PARAM_KEYS;

ParamOption::ParamOption(std::string path)
    : m_parser(std::make_unique<IniParser>(path)), m_path(std::move(path)) {}

std::string ParamOption::TextFromIni(const char* section, const char* key) const {
    return m_parser->IsIniReady() ? m_parser->GetString(section, key, std::string())
                                  : std::string();
}

uint32_t ParamOption::IntegerFromIni(const char* section, const char* key,
                                     uint32_t default_value) const {
    return m_parser->IsIniReady() ? m_parser->GetInteger(section, key, default_value)
                                  : default_value;
}

bool ParamOption::BooleanFromIni(const char* section, const char* key, bool default_value) const {
    return m_parser->IsIniReady() ? m_parser->GetBoolean(section, key, default_value)
                                  : default_value;
}

std::string ParamOption::GetAppName() const {
    return TextFromIni(PARAM_SECTION, PARAM_APP_NAME);
}
std::string ParamOption::GetVersion() const {
    return TextFromIni(PARAM_SECTION, PARAM_VERSION);
}
std::string ParamOption::GetDeveloper() const {
    return TextFromIni(PARAM_SECTION, PARAM_DEVELOPER);
}
std::string ParamOption::GetEngName() const {
    return TextFromIni(PARAM_SECTION, PARAM_ENG_NAME);
}
std::string ParamOption::GetChiName() const {
    return TextFromIni(PARAM_SECTION, PARAM_CHI_NAME);
}
std::string ParamOption::GetChtName() const {
    return TextFromIni(PARAM_SECTION, PARAM_CHT_NAME);
}
std::string ParamOption::GetIMSI() const {
    return TextFromIni(PARAM_SECTION, PARAM_IMSI);
}
std::string ParamOption::GetDescText() const {
    return TextFromIni(PARAM_SECTION, PARAM_DESC_TEXT);
}
std::string ParamOption::GetApiList() const {
    return TextFromIni(PARAM_SECTION, PARAM_API_LIST);
}
std::string ParamOption::GetAppType() const {
    return TextFromIni(PARAM_SECTION, PARAM_APP_TYPE);
}
std::string ParamOption::GetCompiler() const {
    return TextFromIni(PARAM_SECTION, PARAM_COMPILER);
}
std::string ParamOption::GetVPIType() const {
    return TextFromIni(PARAM_SECTION, PARAM_VPI_TYPE);
}
std::string ParamOption::GetPushSenderID() const {
    return TextFromIni(PARAM_SECTION, PARAM_PUSH_SENDER_ID);
}
uint32_t ParamOption::GetMemorySize() const {
    return IntegerFromIni(PARAM_SECTION, PARAM_MEMORY_SIZE, 0);
}
uint32_t ParamOption::GetResolution() const {
    return IntegerFromIni(PARAM_SECTION, PARAM_RESOLUTION, 0);
}
uint32_t ParamOption::GetSysMemorySize() const {
    return IntegerFromIni(PARAM_SECTION, PARAM_SYS_MEM_SIZE, 0);
}
uint32_t ParamOption::GetAppID() const {
    return IntegerFromIni(PARAM_SECTION, PARAM_APP_ID, 0);
}
uint32_t ParamOption::GetPushID() const {
    return IntegerFromIni(PARAM_SECTION, PARAM_PUSH_ID, 0);
}
bool ParamOption::IsSupportBackground() const {
    return BooleanFromIni(PARAM_SECTION, PARAM_BACKGROUND, false);
}
bool ParamOption::IsSupportRotate() const {
    return BooleanFromIni(PARAM_SECTION, PARAM_ROTATE, false);
}
bool ParamOption::IsCompress() const {
    return BooleanFromIni(PARAM_SECTION, PARAM_COMPRESS, false);
}
bool ParamOption::IsAdapter() const {
    return BooleanFromIni(PARAM_SECTION, PARAM_ADAPTER, false);
}
bool ParamOption::IsSysMemAble() const {
    return BooleanFromIni(PARAM_SECTION, PARAM_SYS_MEM_ABLE, false);
}
bool ParamOption::IsSupportPush() const {
    return BooleanFromIni(PARAM_SECTION, PARAM_PUSH, false);
}
bool ParamOption::IsAutoStart() const {
    return BooleanFromIni(PARAM_SECTION, PARAM_AUTO_START, false);
}
bool ParamOption::IsTransferImgAble() const {
    return BooleanFromIni(PARAM_SECTION, PARAM_TRANSFER_IMG, false);
}
bool ParamOption::IsIdleShortcutAble() const {
    return BooleanFromIni(PARAM_SECTION, PARAM_IDLE_SHORTCUT, false);
}
