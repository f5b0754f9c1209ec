// The command context and its state machine: one AT command at a time from the caller (main
// thread) to the serial line and back. The caller writes and waits in ME_Fill_FSM; the reader
// thread assembles lines in DataCallBack; the timer thread ends overdue commands in TimeoutProc.
// The caller is woken exactly once, by whichever comes second of the end of the command and
// the completion of the write; both are decided under the response lock.
#include "comm.h"

#include <cstdio>
#include <cstring>

#include "ATResult.h"
#include "Interruption.h"
#include "SerialPort.h"

namespace {

tagMEFSM* contextOf(void* context) {
    return static_cast<tagMEFSM*>(context);
}

// A prefix too long for the context is cut, never written past it.
void setPrefix(tagMEFSM* context, const char* prefix) {
    std::snprintf(context->m_ExpectedPrefix, sizeof context->m_ExpectedPrefix, "%s",
                  prefix != nullptr ? prefix : "");
}

// Prepares the context for a command; under the response lock, so that a line arriving now
// sees either the old idle context or the complete new command.
void startCommand(tagMEFSM* context, ATResult* result, ME_RESPONSE_CB callback, const char* prefix,
                  int timeout) {
    me_lock(&context->m_RespLock);
    context->m_StartTime = std::chrono::steady_clock::now();
    context->m_nTimeout = timeout;
    context->m_pRespondFunc = me_respond_ready;
    context->m_nEndReason.store(AT_NORMAL);
    context->m_pResult = result;
    setPrefix(context, prefix);
    context->m_bTxDone.store(false);
    context->m_pRespCallback.store(callback);
    context->m_nCmdState.store(ME_STATE_BUSY);
    me_unlock(&context->m_RespLock);
}

// On a line known to be gone the write fails at once, without the port's retry.
int writeAndReport(void* port, const char* command, ME_TX_CB txCallback, void* context) {
    int length = static_cast<int>(std::strlen(command));
    bool lost = contextOf(context)->m_bLineLost.load();
    int ok = !lost && static_cast<CommModule*>(port)->WriteData(command, length) == 1 ? 1 : 0;
    txCallback(ok, length, context);
    return ok;
}

// A device that let two commands time out is not waited for again: every later command of the
// context ends at once, so a silent device costs two timeouts, not one per remaining command.
const int kTimeoutsBeforeGivingUp = 2;

// The code a command ends with before it is sent, or -1 when it may be sent.
int refusal(const tagMEFSM* context) {
    if (context->m_nTimeouts >= kTimeoutsBeforeGivingUp)
        return ME_RESULT_TIMEOUT;
    if (CommandsRefused())
        return ME_RESULT_CANCELLED;
    return -1;
}

// Ends the command in progress, if any, for the reason; called from outside the command's own
// events (another thread, a signal's aftermath, a lost line).
void endCommand(tagMEFSM* context, int reason) {
    me_lock(&context->m_RespLock);
    ME_RESPONSE_CB callback = context->m_pRespCallback.load();
    if (callback != nullptr && context->m_nCmdState.load() != ME_STATE_IDLE) {
        context->m_nEndReason.store(reason);
        callback(context);
    }
    me_unlock(&context->m_RespLock);
}

// The timer counts in 10 ms steps and may fire up to one step early.
const int kTimerSlackMs = 20;

bool deadlinePassed(const tagMEFSM* context) {
    auto elapsed = std::chrono::steady_clock::now() - context->m_StartTime;
    return elapsed + std::chrono::milliseconds(kTimerSlackMs) >=
           std::chrono::milliseconds(context->m_nTimeout);
}

} // namespace

void* ME_Init(void* port) {
    tagMEFSM* context = new tagMEFSM();
    context->m_pPort = port;
    context->m_pTxCallback = TX_Callback;
    me_initlock(&context->m_RespLock);
    me_initlock(&context->m_CmdLock);
    context->m_Timer.callback = TimeoutProc;
    context->m_Timer.arg = context;
    me_inittimer(&context->m_Timer);
    context->m_hRespEvent = CreateEvent(nullptr, 0, 0, nullptr);
    return context;
}

bool ME_DeInit(void* arg) {
    tagMEFSM* context = contextOf(arg);
    if (context == nullptr || context->m_nCmdState.load() != ME_STATE_IDLE)
        return false;
    me_exittimer(&context->m_Timer);
    me_destroylock(&context->m_RespLock);
    me_destroylock(&context->m_CmdLock);
    CloseHandle(context->m_hRespEvent);
    delete context;
    return true;
}

int ME_Fill_FSM(void* arg, void (*)(void*), void* result, void (*callback)(void*),
                const char* command, const char* prefix, int timeout) {
    tagMEFSM* context = contextOf(arg);
    if (context == nullptr || command == nullptr)
        return ME_RESULT_ERROR;
    me_lock(&context->m_CmdLock);
    if (context->m_nCmdState.load() != ME_STATE_IDLE) {
        me_unlock(&context->m_CmdLock);
        return ME_RESULT_ERROR;
    }
    int refused = refusal(context);
    if (refused >= 0) {
        context->m_nResultCode = refused;
        me_unlock(&context->m_CmdLock);
        return refused;
    }
    startCommand(context, static_cast<ATResult*>(result), callback, prefix, timeout);
    me_settimer(&context->m_Timer, timeout);
    me_send_at(context->m_pPort, command, context->m_pTxCallback, context);
    // Disarmed here rather than at the end of the command: the reader must not wait for the timer
    // thread while a timeout waits for the response lock.
    me_killtimer(&context->m_Timer, context->m_nEndReason.load());
    int code = me_get_rettype(context);
    if (code == ME_RESULT_TIMEOUT)
        ++context->m_nTimeouts;
    me_unlock(&context->m_CmdLock);
    return code;
}

int TX_Callback(int ok, int, void* arg) {
    tagMEFSM* context = contextOf(arg);
    me_lock(&context->m_RespLock);
    context->m_bTxDone.store(true);
    ME_RESPONSE_CB callback = context->m_pRespCallback.load();
    if (ok != 1) {
        context->m_nEndReason.store(AT_WRITE_FAIL);
        if (callback != nullptr)
            callback(context);
    } else if (context->m_nCmdState.load() == ME_STATE_IDLE && callback != nullptr) {
        callback(context); // the answer came first: hand the caller its wake-up now
    }
    me_unlock(&context->m_RespLock);
    return 1;
}

void TimeoutProc(void* arg) {
    tagMEFSM* context = contextOf(arg);
    me_lock(&context->m_RespLock);
    ME_RESPONSE_CB callback = context->m_pRespCallback.load();
    // A timeout that finds the command already ended does nothing, and so does one that fires
    // long before the running command's deadline: that is the previous command's timer, which
    // fired as its answer arrived and waited for this lock until the next command had started.
    if (callback != nullptr && context->m_nCmdState.load() != ME_STATE_IDLE &&
        deadlinePassed(context)) {
        context->m_nEndReason.store(AT_TIMEOUT);
        callback(context);
    }
    me_unlock(&context->m_RespLock);
}

void ME_LineLost(void* arg) {
    tagMEFSM* context = contextOf(arg);
    context->m_bLineLost.store(true);
    endCommand(context, AT_WRITE_FAIL);
}

int me_send_at(void* port, const char* command, ME_TX_CB txCallback, void* arg) {
    int ok = writeAndReport(port, command, txCallback, arg);
    tagMEFSM* context = contextOf(arg);
    WaitForSingleObject(context->m_hRespEvent, INFINITE);
    ResetEvent(context->m_hRespEvent);
    return ok;
}

void me_respond_ready(void* context) {
    SetEvent(contextOf(context)->m_hRespEvent);
}

int me_get_rettype(void* arg) {
    tagMEFSM* context = contextOf(arg);
    me_lock(&context->m_RespLock);
    int code =
        context->m_pResult != nullptr ? context->m_pResult->resultcode : context->m_nResultCode;
    me_unlock(&context->m_RespLock);
    return code;
}

int DataCallBack(int type, const char* data, unsigned long length, void* arg) {
    tagMEFSM* context = contextOf(arg);
    if (type == COMM_LINE_LOST && context != nullptr) {
        ME_LineLost(context);
        return 0;
    }
    if (length == 0 || context == nullptr || data == nullptr)
        return 0;
    int read = context->m_nReadIdx;
    int write = context->m_nWriteIdx;
    unsigned long room =
        static_cast<unsigned long>((read > write ? read : read + ME_RING_SIZE) - write - 1);
    if (length > room)
        return 0;
    size_t count = static_cast<size_t>(length);
    size_t tail = static_cast<size_t>(ME_RING_SIZE - write);
    size_t first = count < tail ? count : tail;
    std::memcpy(context->m_RingBuf + write, data, first);
    std::memcpy(context->m_RingBuf, data + first, count - first);
    context->m_nWriteIdx = static_cast<int>((static_cast<size_t>(write) + count) % ME_RING_SIZE);
    GetOneLine(context);
    return static_cast<int>(length);
}

int GetOneLine(void* context) {
    for (int byte = GetRawData(context); byte >= 0; byte = GetRawData(context))
        FillBufferByState(static_cast<unsigned char>(byte), context);
    return 0;
}

int GetRawData(void* arg) {
    tagMEFSM* context = contextOf(arg);
    if (context->m_nReadIdx == context->m_nWriteIdx)
        return -1;
    int byte = context->m_RingBuf[context->m_nReadIdx];
    context->m_nReadIdx = (context->m_nReadIdx + 1) % ME_RING_SIZE;
    return byte;
}

namespace {

// A line needs two characters at least: shorter ones (blank separators) are dropped.
const int kShortestLine = 2;

void collect(tagMEFSM* context, unsigned char byte) {
    if (byte == GetCrByte()) {
        bool keep = context->m_nLineLength >= kShortestLine;
        // A dropped line's characters are forgotten when the next LF opens a line.
        context->m_nLineState = keep ? LINE_CR_SEEN : LINE_WAIT_LF;
        return;
    }
    if (context->m_nLineLength < ME_MAX_LINE_LENGTH)
        context->m_LineBuf[context->m_nLineLength++] = static_cast<char>(byte);
}

void deliver(tagMEFSM* context) {
    context->m_LineBuf[context->m_nLineLength] = '\0';
    ME_RESPONSE_CB callback = context->m_pRespCallback.load();
    if (callback != nullptr)
        callback(context);
    context->m_nLineState = LINE_WAIT_LF;
    context->m_nLineLength = 0;
    context->m_LineBuf[0] = '\0';
}

} // namespace

void FillBufferByState(unsigned char byte, void* arg) {
    tagMEFSM* context = contextOf(arg);
    switch (context->m_nLineState) {
    case LINE_WAIT_CR:
        if (byte == GetCrByte())
            context->m_nLineState = LINE_WAIT_LF;
        break;
    case LINE_WAIT_LF:
        if (byte == GetLfByte()) {
            context->m_nLineState = LINE_COLLECTING;
            context->m_nLineLength = 0;
        }
        break;
    case LINE_COLLECTING: collect(context, byte); break;
    case LINE_CR_SEEN:
        if (byte == GetLfByte())
            deliver(context);
        break;
    default: context->m_nLineState = LINE_WAIT_CR; break;
    }
}
