// The pack driver: reads the application's parameters, composes and signs the tag block, and
// appends block, end marker and signature trailer to the application file in place (then
// renames it by application type) or to a copy, and appends the date record.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "ParamOption.h"
#include "TagTable.h"
#include "vmmd5.h"

struct _composeTagPara {
    char appName[260];
    char version[12];
    char developer[260];
    uint32_t memorySize;
    uint8_t background;
    uint8_t rotate;
    uint8_t vpiRecognised;
    uint8_t adapter;
    uint8_t sysMemAble;
    uint32_t resolution;
    uint32_t sysMemorySize;
    uint8_t push;
    uint32_t pushID;
    char pushSenderID[260];
    uint32_t outputType;
    uint32_t vpiType;
    uint32_t compress;
    uint32_t appID;
    uint8_t transferImg;
    uint8_t autoStart;
    uint8_t transferImg2;
    uint8_t idleShortcut;
    uint8_t kindVpcDlc;
    uint8_t kindVpdDld;
    uint32_t startDate[6];
};

struct _apiList {
    uint8_t flag[API_FLAG_COUNT];
};

// Results of FormatTag.
enum FormatTagResult { FORMAT_TAG_OK = 1, FORMAT_TAG_NO_SIGNATURE = -1, FORMAT_TAG_TOO_LONG = -2 };

class Varnel {
public:
    Varnel(const std::string& target_path, const std::string& param_path);
    ~Varnel() = default;
    Varnel(const Varnel&) = delete;
    Varnel& operator=(const Varnel&) = delete;

    // Pack into this new file instead, leaving the target untouched (empty: in place).
    void SetOutputPath(const std::string& path) { m_outputPath = path; }
    // Every problem of the parameter file refuses the pack instead of being a warning.
    void SetStrict(bool strict) { m_strict = strict; }

    void print_version();
    // One pack run. True when the file was packed (the date record is best effort). False
    // (message printed, file as it was) for a target that is missing, not a regular file,
    // already packed or too large, a parameter over its limit, a --strict parameter problem
    // or a failed write. A bad number in param.ini escapes as std::runtime_error before
    // anything is written.
    bool doPack();

    // 1 success, -1 the signature could not be made, -2 a parameter exceeds its limit
    // (message printed); nothing is appended to tag_buffer unless the result is 1.
    int FormatTag(_composeTagPara* para, md5_state_s_t& state, const uint8_t file_digest[16],
                  uint8_t signature[64], uint8_t* tag_buffer, int& tag_length);
    int ComposeTags(uint8_t* out, _composeTagPara* para);
    int ComposeOPTags(uint8_t* out, _composeTagPara* para, std::string imsi, std::string desc);
    int ComposeNameListTags(std::string eng, std::string chi, std::string cht, uint8_t* out);
    int ComposeNameTags(std::string text, uint32_t id, int offset, uint8_t* base);
    void CatchVersion(const char* text, int* result);
    // Reverses the order of the sixteen 2-bit groups; applying it twice gives the id back.
    static uint32_t getPushID(uint32_t push_id);
    void ParserAPIList(_apiList* list, const char* text);
    int ComposePerTags(uint8_t* out, _apiList list);

    // Fixes the clock the dates are taken from (0: the real clock); for reproducible blocks.
    void SetClock(std::time_t fixed) { m_fixedTime = fixed; }

private:
    bool CheckParameters();
    bool CheckTarget();
    // Digests the content (copying it when copy is not null), composes and signs the block;
    // tail receives block, end marker and signature trailer.
    bool ComposeTail(FILE* source, uint64_t length, FILE* copy, _composeTagPara& para,
                     std::vector<uint8_t>& tail);
    bool PackInPlace(const std::string& output, _composeTagPara& para, std::vector<uint8_t>& tail,
                     uint64_t& length);
    bool PackToCopy(_composeTagPara& para, std::vector<uint8_t>& tail, uint64_t& length);
    bool CheckTextLimits();
    void FillComposeRecord(_composeTagPara* para);
    std::time_t Now() const { return m_fixedTime ? m_fixedTime : std::time(nullptr); }

    std::string m_paramPath;
    std::string m_targetPath;
    std::unique_ptr<ParamOption> m_param;
    std::string m_outputPath;
    bool m_strict = false;
    std::time_t m_fixedTime = 0;
};
