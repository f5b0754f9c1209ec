// The AT command set: each function composes its command line and runs it through ME_Fill_FSM,
// blocking the caller (main thread) until the command has ended.
#include "comm_func.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "UCS2Text.h"
#include "Win2Mac.h"
#include "comm_func_cb.h"

namespace {

const char kCr[] = "\r";
const char kQuote = '"';

const char kPrefixEsuo[] = "+ESUO";
const char kPrefixEfsl[] = "+EFSL";
const char kPrefixEfs[] = "+EFS";
const char kPrefixEfsr[] = "+EFSR";
const char kPrefixEfsw[] = "+EFSW";

const unsigned kRemoveTimeoutShift = 22; // one more millisecond per 4 MiB
const int kMillisPerSecond = 1000;

// printf-style composition of a command text (without its CR); the formats here carry only
// numbers, so the text always fits the command buffer.
__attribute__((format(printf, 1, 2))) std::string compose(const char* format, ...) {
    char buffer[ME_COMMAND_BUFFER_SIZE];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

std::string quoted(const std::string& text) {
    return kQuote + text + kQuote;
}

// A missing name is sent as an empty pair of quotes rather than read through a null pointer.
std::string encodedName(const char* name) {
    return name != nullptr ? EncodeUCS2txt(CString(name)) : std::string();
}

// Names are composed in a growing string, so a long encoded name is sent whole.
int run(void* context, void* result, ME_RESPONSE_CB callback, const std::string& text,
        const char* prefix, int timeout) {
    std::string line = text + kCr;
    return ME_Fill_FSM(context, nullptr, result, callback, line.c_str(), prefix, timeout);
}

int runPlain(void* context, void* result, const std::string& text) {
    return run(context, result, ME_Set_ModemFunc_CB, text, nullptr, ME_TIMEOUT_DEFAULT);
}

} // namespace

int ME_Check_AT(void* context, ME_NOTIFY_FN, void* result) {
    return runPlain(context, result, "AT");
}

int ME_Stop_AllApp(void* context, ME_NOTIFY_FN, void* result) {
    return runPlain(context, result, "AT+[666]EXIT_ALL");
}

int ME_Reset_Target(void* context, ME_NOTIFY_FN, void* result) {
    return runPlain(context, result, "AT+[666]REBOOT");
}

int ME_Query_DT_Status(void* context, ME_NOTIFY_FN, void* result) {
    return run(context, result, ME_Get_DT_status_CB, "AT+ESUO?", kPrefixEsuo, ME_TIMEOUT_DEFAULT);
}

int ME_SwitchDT(void* context, int mode, ME_NOTIFY_FN, void* result) {
    return runPlain(context, result, compose("AT+ESUO=%d", mode));
}

int ME_FolderOpertiaon(void* context, int mode, const char* name, ME_NOTIFY_FN, void* result) {
    if (name == nullptr || name[0] == '\0')
        return runPlain(context, result, compose("AT+EFSF=%d", mode));
    return runPlain(context, result, compose("AT+EFSF=%d,", mode) + quoted(encodedName(name)));
}

int ME_CreateDir(void* context, const char* name, ME_NOTIFY_FN, void* result) {
    return runPlain(context, result, "AT+EFSF=0," + quoted(encodedName(name)));
}

int ME_RemoveDir(void* context, const char* name, ME_NOTIFY_FN, void* result) {
    return runPlain(context, result, "AT+EFSF=1," + quoted(encodedName(name)));
}

int ME_GetDirFileListInfo(void* context, const char* name, ME_NOTIFY_FN, void* result) {
    return run(context, result, ME_Get_DirFileListInfo_CB, "AT+EFSL=" + quoted(encodedName(name)),
               kPrefixEfsl, ME_TIMEOUT_DEFAULT);
}

int ME_GetDriverInfo(void* context, ME_NOTIFY_FN, void* result) {
    return run(context, result, ME_Get_DriverInfo_CB, "AT+EFSL", kPrefixEfsl, ME_TIMEOUT_DEFAULT);
}

int ME_GetAvailableSize(void* context, int drive, int seconds, ME_NOTIFY_FN, void* result) {
    return run(context, result, ME_Get_AvailableSize_CB, compose("AT+EFS=%d", drive), kPrefixEfs,
               seconds * kMillisPerSecond);
}

int ME_RemoveTargetFile(void* context, const char* name, unsigned long size, ME_NOTIFY_FN,
                        void* result) {
    int timeout = ME_TIMEOUT_REMOVE_FILE + static_cast<int>(size >> kRemoveTimeoutShift);
    return run(context, result, ME_Set_ModemFunc_CB, "AT+EFSD=" + quoted(name ? name : ""), nullptr,
               timeout);
}

int ME_ReadTargetFile(void* context, const char* name, int timeout, ME_NOTIFY_FN, void* result) {
    return run(context, result, ME_ReadTargetFile_CB, "AT+EFSR=" + quoted(encodedName(name)),
               kPrefixEfsr, timeout);
}

int ME_HandleTargetFile(void* context, int mode, const char* name, ME_NOTIFY_FN, void* result) {
    return runPlain(context, result, compose("AT+EFSW=%d,", mode) + quoted(name ? name : ""));
}

int ME_GetPacketSize(void* context, ME_NOTIFY_FN, void* result) {
    return run(context, result, ME_GetPacketSize_CB, "AT+EFSW?", kPrefixEfsw,
               ME_TIMEOUT_PACKET_SIZE);
}

int ME_WriteTargetFile(void* context, int length, int packetSize, const unsigned char* data,
                       ME_NOTIFY_FN, void* result) {
    static const char kHexDigits[] = "0123456789ABCDEF";
    int final = length == packetSize ? 0 : 1;
    std::string text = "AT+EFSW=2," + compose("%d,%d,", final, length) + kQuote;
    for (int i = 0; i < length; ++i) {
        text += kHexDigits[data[i] >> 4];
        text += kHexDigits[data[i] & 0x0F];
    }
    text += kQuote;
    return run(context, result, ME_Set_ModemFunc_CB, text, nullptr, ME_TIMEOUT_WRITE_FILE);
}
