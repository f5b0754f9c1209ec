// Typed, named access to the application parameters of section "Param" of param.ini: one
// getter per parameter, each with its fixed key and default.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "IniParser.h"

class ParamOption {
public:
    explicit ParamOption(std::string path);
    ~ParamOption();
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
    std::string GetOutputType() const;
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

private:
    std::string TextFromIni(const char* section, const char* key) const;
    uint32_t IntegerFromIni(const char* section, const char* key, uint32_t default_value) const;
    bool BooleanFromIni(const char* section, const char* key, bool default_value) const;

    std::unique_ptr<IniParser> m_parser;
    std::string m_path;
};
