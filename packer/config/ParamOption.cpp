// Typed getters over section "Param" of param.ini; every one asks whether the file is still
// readable before answering, as the parameter file may vanish during a run.
#include "ParamOption.h"

#include <utility>

namespace {
const char* const kSection = "Param";
}

ParamOption::ParamOption(std::string path)
    : m_parser(std::make_unique<IniParser>(path)), m_path(std::move(path)) {}

ParamOption::~ParamOption() {
    m_parser.reset();
}

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
    return TextFromIni(kSection, "AppName");
}
std::string ParamOption::GetVersion() const {
    return TextFromIni(kSection, "Version");
}
std::string ParamOption::GetDeveloper() const {
    return TextFromIni(kSection, "Developer");
}
std::string ParamOption::GetEngName() const {
    return TextFromIni(kSection, "EngName");
}
std::string ParamOption::GetChiName() const {
    return TextFromIni(kSection, "ChiName");
}
std::string ParamOption::GetChtName() const {
    return TextFromIni(kSection, "ChtName");
}
std::string ParamOption::GetIMSI() const {
    return TextFromIni(kSection, "IMSI");
}
std::string ParamOption::GetDescText() const {
    return TextFromIni(kSection, "DescText");
}
std::string ParamOption::GetApiList() const {
    return TextFromIni(kSection, "APIList");
}
std::string ParamOption::GetAppType() const {
    return TextFromIni(kSection, "AppType");
}
std::string ParamOption::GetCompiler() const {
    return TextFromIni(kSection, "Compiler");
}
std::string ParamOption::GetOutputType() const {
    return TextFromIni(kSection, "Output");
}
std::string ParamOption::GetVPIType() const {
    return TextFromIni(kSection, "VPIType");
}
std::string ParamOption::GetPushSenderID() const {
    return TextFromIni(kSection, "PushSenderID");
}
uint32_t ParamOption::GetMemorySize() const {
    return IntegerFromIni(kSection, "MemorySize", 0);
}
uint32_t ParamOption::GetResolution() const {
    return IntegerFromIni(kSection, "Resolution", 0);
}
uint32_t ParamOption::GetSysMemorySize() const {
    return IntegerFromIni(kSection, "SysMemSize", 0);
}
uint32_t ParamOption::GetAppID() const {
    return IntegerFromIni(kSection, "AppID", 0);
}
uint32_t ParamOption::GetPushID() const {
    return IntegerFromIni(kSection, "PushID", 0);
}
bool ParamOption::IsSupportBackground() const {
    return BooleanFromIni(kSection, "Background", false);
}
bool ParamOption::IsSupportRotate() const {
    return BooleanFromIni(kSection, "Rotate", false);
}
bool ParamOption::IsCompress() const {
    return BooleanFromIni(kSection, "Compress", false);
}
bool ParamOption::IsAdapter() const {
    return BooleanFromIni(kSection, "Adapter", false);
}
bool ParamOption::IsSysMemAble() const {
    return BooleanFromIni(kSection, "SysMemAble", false);
}
bool ParamOption::IsSupportPush() const {
    return BooleanFromIni(kSection, "Push", false);
}
bool ParamOption::IsAutoStart() const {
    return BooleanFromIni(kSection, "AutoStart", false);
}
bool ParamOption::IsTransferImgAble() const {
    return BooleanFromIni(kSection, "TransferImg", false);
}
bool ParamOption::IsIdleShortcutAble() const {
    return BooleanFromIni(kSection, "IdleShortcut", false);
}
