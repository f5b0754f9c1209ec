// Typed, named access to the application parameters of section "Param" of param.ini: one
// getter per parameter, each with its fixed key and default, and the check of the file that
// finds what would silently give a default.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "IniParser.h"

constexpr const char PARAM_SECTION[] = "Param";
// The keys of section "Param"; "Output" is known but read by nothing.
constexpr const char PARAM_APP_NAME[] = "AppName";
constexpr const char PARAM_VERSION[] = "Version";
constexpr const char PARAM_DEVELOPER[] = "Developer";
constexpr const char PARAM_ENG_NAME[] = "EngName";
constexpr const char PARAM_CHI_NAME[] = "ChiName";
constexpr const char PARAM_CHT_NAME[] = "ChtName";
constexpr const char PARAM_IMSI[] = "IMSI";
constexpr const char PARAM_DESC_TEXT[] = "DescText";
constexpr const char PARAM_API_LIST[] = "APIList";
constexpr const char PARAM_APP_TYPE[] = "AppType";
constexpr const char PARAM_COMPILER[] = "Compiler";
constexpr const char PARAM_OUTPUT[] = "Output";
constexpr const char PARAM_VPI_TYPE[] = "VPIType";
constexpr const char PARAM_PUSH_SENDER_ID[] = "PushSenderID";
constexpr const char PARAM_MEMORY_SIZE[] = "MemorySize";
constexpr const char PARAM_RESOLUTION[] = "Resolution";
constexpr const char PARAM_SYS_MEM_SIZE[] = "SysMemSize";
constexpr const char PARAM_APP_ID[] = "AppID";
constexpr const char PARAM_PUSH_ID[] = "PushID";
constexpr const char PARAM_BACKGROUND[] = "Background";
constexpr const char PARAM_ROTATE[] = "Rotate";
constexpr const char PARAM_COMPRESS[] = "Compress";
constexpr const char PARAM_ADAPTER[] = "Adapter";
constexpr const char PARAM_SYS_MEM_ABLE[] = "SysMemAble";
constexpr const char PARAM_PUSH[] = "Push";
constexpr const char PARAM_AUTO_START[] = "AutoStart";
constexpr const char PARAM_TRANSFER_IMG[] = "TransferImg";
constexpr const char PARAM_IDLE_SHORTCUT[] = "IdleShortcut";

enum class ParamType { Text, Number, Boolean };
struct ParamKey {
    const char* key;
    ParamType type;
};
extern const ParamKey PARAM_KEYS[];
extern const size_t PARAM_KEY_COUNT;

class ParamOption {
public:
    explicit ParamOption(std::string path);
    ~ParamOption() = default;
    ParamOption(const ParamOption&) = delete;
    ParamOption& operator=(const ParamOption&) = delete;

    std::string GetAppName() const;
    std::string GetVersion() const;
    std::string GetDeveloper() const;
    std::string GetEngName() const;
    std::string GetChiName() const;
    std::string GetChtName() const;
    std::string GetIMSI() const;
    std::string GetDescText() const;
    std::string GetApiList() const;
    std::string GetAppType() const;
    std::string GetCompiler() const;
    std::string GetVPIType() const;
    std::string GetPushSenderID() const;
    // Number getters throw std::runtime_error for a value without a leading digit.
    uint32_t GetMemorySize() const;
    uint32_t GetResolution() const;
    uint32_t GetSysMemorySize() const;
    uint32_t GetAppID() const;
    uint32_t GetPushID() const;
    bool IsSupportBackground() const;
    bool IsSupportRotate() const;
    bool IsCompress() const;
    bool IsAdapter() const;
    bool IsSysMemAble() const;
    bool IsSupportPush() const;
    bool IsAutoStart() const;
    bool IsTransferImgAble() const;
    bool IsIdleShortcutAble() const;

    // One line per problem that makes the file say less than it seems to: the file cannot be
    // read, it has no [Param] section, an unknown key (with the nearest known one), a text
    // value cut at a blank or colon, a number that is not plain decimal digits. Empty: none.
    std::vector<std::string> Problems() const;

private:
    std::string TextFromIni(const char* section, const char* key) const;
    uint32_t IntegerFromIni(const char* section, const char* key, uint32_t default_value) const;
    bool BooleanFromIni(const char* section, const char* key, bool default_value) const;

    std::unique_ptr<IniParser> m_parser;
    std::string m_path;
};
