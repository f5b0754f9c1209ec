// Fuzz target: arbitrary received bytes through line assembly, response analysis and every
// command parser, for a busy command context.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ATResult.h"
#include "comm.h"
#include "comm_func_cb.h"
#include "comm_parser.h"

namespace {

void noWake(void*) {}

typedef void (*Callback)(void*);
const Callback kCallbacks[] = {
    ME_Set_ModemFunc_CB,     ME_Get_DT_status_CB, ME_Get_DirFileListInfo_CB, ME_Get_DriverInfo_CB,
    ME_Get_AvailableSize_CB, ME_GetPacketSize_CB, ME_ReadTargetFile_CB};
const char* const kPrefixes[] = {"", "+ESUO", "+EFSL", "+EFSL", "+EFS", "+EFSW", "+EFSR"};
const size_t kCount = sizeof kCallbacks / sizeof kCallbacks[0];

void parseLineWithEveryParser(tagMEFSM* ctx) {
    ME_Get_DT_status_Parser(ctx, nullptr);
    ME_Get_DirFileListInfo_Parser(ctx, nullptr);
    ME_Get_DriverInfo_Parser(ctx, nullptr);
    ME_Get_AvailableSize_Parser(ctx, nullptr);
    ME_GetPacketSize_Parser(ctx, nullptr);
    ME_ReadTargetFile_Parser(ctx, nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    static tagMEFSM* ctx = [] {
        tagMEFSM* c = new tagMEFSM();
        me_initlock(&c->m_RespLock);
        me_initlock(&c->m_CmdLock);
        c->m_pRespondFunc = noWake;
        return c;
    }();
    ATResult result;
    size_t pick = data[0] % kCount;
    ctx->m_pResult = &result;
    std::strcpy(ctx->m_ExpectedPrefix, kPrefixes[pick]);
    ctx->m_nEndReason = AT_NORMAL;
    ctx->m_bTxDone = true;
    ctx->m_pRespCallback = kCallbacks[pick];
    ctx->m_nCmdState = ME_STATE_BUSY;
    // Chunks of up to 64 bytes, as the serial reader would deliver them.
    for (size_t at = 1; at < size; at += 64)
        DataCallBack(1, reinterpret_cast<const char*>(data) + at, size - at < 64 ? size - at : 64,
                     ctx);
    // Whatever is collected now, as a complete line, through every parser.
    size_t line = size - 1 < ME_MAX_LINE_LENGTH ? size - 1 : ME_MAX_LINE_LENGTH;
    std::memcpy(ctx->m_LineBuf, data + 1, line);
    ctx->m_LineBuf[line] = '\0';
    ctx->m_pResult = &result;
    parseLineWithEveryParser(ctx);
    int code = 0;
    ctx->m_nCmdState = ME_STATE_BUSY;
    AnalyingRespString(ctx, &code);
    ctx->m_nCmdState = ME_STATE_IDLE;
    ctx->m_pRespCallback = nullptr;
    ctx->m_pResult = nullptr;
    return 0;
}
