// Response analysis and the response callbacks: final results end the command with their code,
// information lines with the expected prefix reach the command's parser. Runs on whichever
// thread delivers the event (reader: lines, timer: timeouts, caller: write outcome),
// always under the context's response lock.
#include "comm_func_cb.h"

#include <cstring>

#include "ATResult.h"
#include "TrellupUtility.h"
#include "comm.h"
#include "comm_parser.h"

namespace {

const char* const RSP_String[] = {"OK", "ERROR", "+CME ERROR:", "+CMS ERROR:", "CONNECT", nullptr};
const int RSP_Code[] = {ME_RESULT_OK, ME_RESULT_ERROR, ME_CODE_FROM_LINE, ME_CODE_FROM_LINE,
                        ME_RESULT_OK};

const char kTimeoutMessage[] = "\r\n[error] time out\r\n";
const char kWriteFailMessage[] = "\r\n[error] failed to write\r\n";

bool startsWith(const char* line, const char* text) {
    return std::strncmp(line, text, std::strlen(text)) == 0;
}

int finish(tagMEFSM* context, int* code, int value) {
    *code = value;
    context->m_nResultCode = value;
    if (context->m_pResult != nullptr)
        context->m_pResult->resultcode = value;
    return 1;
}

// The final result of an event other than a line, or -1 for a line.
int codeOfEndReason(int reason) {
    switch (reason) {
    case AT_TIMEOUT: log_output(kTimeoutMessage); return ME_RESULT_TIMEOUT;
    case AT_WRITE_FAIL: log_output(kWriteFailMessage); return ME_RESULT_ERROR;
    default: return -1;
    }
}

// Hands the caller its wake-up if the write is done too (else TX_Callback does so later).
// Called under the response lock; clearing the callback makes the hand-over happen once.
bool takeHandOver(tagMEFSM* context) {
    if (!context->m_bTxDone.load() || context->m_pRespCallback.load() == nullptr)
        return false;
    context->m_pRespCallback.store(nullptr);
    return true;
}

// The timer is disarmed by the caller once it is awake, outside the response lock, so that a
// timeout waiting for this lock can never hold up the kill handshake.
bool analyseUnderLock(tagMEFSM* context, ME_PARSER_FN parser) {
    if (context->m_nCmdState.load() == ME_STATE_IDLE)
        return takeHandOver(context);
    int code = 0;
    int verdict = AnalyingRespString(context, &code);
    if (verdict == 0 && parser != nullptr)
        parser(context, nullptr);
    if (verdict != 1)
        return false;
    context->m_nCmdState.store(ME_STATE_IDLE);
    return takeHandOver(context);
}

void responseParser(void* arg, ME_PARSER_FN parser) {
    tagMEFSM* context = static_cast<tagMEFSM*>(arg);
    me_lock(&context->m_RespLock);
    bool wake = analyseUnderLock(context, parser);
    ME_RESPONSE_CB respond = context->m_pRespondFunc;
    me_unlock(&context->m_RespLock);
    if (wake && respond != nullptr)
        respond(context);
}

} // namespace

int GetCMEErrorNum(int code, tagMEFSM* context) {
    if (code != ME_CODE_FROM_LINE)
        return code;
    const char* line = context->m_LineBuf;
    return GetInteger(line, GetSignIdx(line, ':', 1), static_cast<int>(std::strlen(line)));
}

int AnalyingRespString(tagMEFSM* context, int* code) {
    if (context->m_nCmdState.load() == ME_STATE_IDLE)
        return 2;
    int reasonCode = codeOfEndReason(context->m_nEndReason.load());
    if (reasonCode >= 0)
        return finish(context, code, reasonCode);
    const char* line = context->m_LineBuf;
    for (int i = 0; RSP_String[i] != nullptr; ++i) {
        if (startsWith(line, RSP_String[i]))
            return finish(context, code, GetCMEErrorNum(RSP_Code[i], context));
    }
    if (context->m_ExpectedPrefix[0] == '\0')
        return 0;
    return startsWith(line, context->m_ExpectedPrefix) ? 0 : 2;
}

void ME_Singleline_Response_Parser(void* context, int, ME_PARSER_FN parser) {
    responseParser(context, parser);
}

void ME_Multiline_Response_Parser(void* context, int, ME_PARSER_FN parser) {
    responseParser(context, parser);
}

void ME_Set_ModemFunc_CB(void* context) {
    ME_Singleline_Response_Parser(context, 0, nullptr);
}

void ME_Get_DT_status_CB(void* context) {
    ME_Singleline_Response_Parser(context, 0, ME_Get_DT_status_Parser);
}

void ME_Get_DirFileListInfo_CB(void* context) {
    ME_Singleline_Response_Parser(context, 0, ME_Get_DirFileListInfo_Parser);
}

void ME_Get_DriverInfo_CB(void* context) {
    ME_Singleline_Response_Parser(context, 0, ME_Get_DriverInfo_Parser);
}

void ME_Get_AvailableSize_CB(void* context) {
    ME_Singleline_Response_Parser(context, 0, ME_Get_AvailableSize_Parser);
}

void ME_GetPacketSize_CB(void* context) {
    ME_Singleline_Response_Parser(context, 0, ME_GetPacketSize_Parser);
}

void ME_ReadTargetFile_CB(void* context) {
    ME_Multiline_Response_Parser(context, 0, ME_ReadTargetFile_Parser);
}
