// The command context of one connection and the engine that runs one AT command at a time on
// it: creation, the send path, the caller's wait, timeouts and the assembly of the
// received bytes into response lines. Commands are issued on the main thread; DataCallBack runs
// on the serial reader thread, TimeoutProc on the context's timer thread.
#pragma once

#include <atomic>
#include <chrono>

#include "comm_osal.h"

class ATResult;

// Result codes of every command (also stored in the ATResult).
enum {
    ME_RESULT_OK = 0,            // "OK", "CONNECT", or an error line with the number 0
    ME_RESULT_ERROR = 100,       // "ERROR", failed write, or the command was refused
    ME_RESULT_TIMEOUT = 32512,   // 0x7F00: no final result before the timeout
    ME_RESULT_CANCELLED = 32514, // 0x7F02: refused after an interruption
};

// Why the response analysis is being called.
enum AT_END_REASON_ENUM { AT_NORMAL = 0, AT_TIMEOUT = 1, AT_WRITE_FAIL = 2 };

// Command states.
enum { ME_STATE_BUSY = 0, ME_STATE_IDLE = 4 };

// Line-assembly states.
enum {
    LINE_WAIT_CR = 0,
    LINE_WAIT_LF = 1,
    LINE_COLLECTING = 2,
    LINE_CR_SEEN = 3,
};

enum {
    ME_RING_SIZE = 8192,
    ME_LINE_BUFFER_SIZE = 16384,
    ME_MAX_LINE_LENGTH = 8192,
    ME_PREFIX_SIZE = 16,
    ME_COMMAND_BUFFER_SIZE = 256,
};

struct tagMEFSM;
typedef void (*ME_RESPONSE_CB)(void*);
typedef int (*ME_TX_CB)(int, int, void*);

struct tagMEFSM {
    // Receive side: touched only by the serial reader thread.
    int m_nLineState = LINE_WAIT_CR;
    int m_nReadIdx = 0;
    int m_nWriteIdx = 0;
    int m_nLineLength = 0;
    unsigned char m_RingBuf[ME_RING_SIZE] = {};
    char m_LineBuf[ME_LINE_BUFFER_SIZE] = {};

    // Command side: shared by the caller, the reader and the timer thread. Written under the
    // response lock; read without it only where noted.
    std::atomic<bool> m_bTxDone{false};
    char m_ExpectedPrefix[ME_PREFIX_SIZE] = {};
    std::atomic<int> m_nCmdState{ME_STATE_IDLE};
    std::atomic<int> m_nEndReason{AT_NORMAL};
    ATResult* m_pResult = nullptr;
    std::chrono::steady_clock::time_point m_StartTime{}; // when the command was sent
    int m_nTimeout = 0;                                  // its timeout in milliseconds
    int m_nResultCode = 0; // the last command's code, kept also when it had no result object
    HANDLE_CONTENT* m_hRespEvent = nullptr;
    std::atomic<ME_RESPONSE_CB> m_pRespCallback{nullptr}; // read by the line assembler
    ME_RESPONSE_CB m_pRespondFunc = nullptr;
    tagOSALTIMER m_Timer{};
    tagOSALLOCK m_RespLock{};
    void* m_pPort = nullptr; // the CommModule
    ME_TX_CB m_pTxCallback = nullptr;
    tagOSALLOCK m_CmdLock{};
    std::atomic<bool> m_bLineLost{false}; // set by the reader when the line is gone
    int m_nTimeouts = 0;                  // commands that timed out; under the command lock
};

// Creates the context of the given CommModule; starts its timer thread.
void* ME_Init(void* port);

// Ends the timer thread and frees the context. False for a null context or one with a
// command in progress.
bool ME_DeInit(void* context);

// Sends command (text ending in CR) and blocks until it has ended. prefix is the key of the
// information lines the command expects (null: none), callback its response callback, result
// the caller's ATResult (may be null), timeout in milliseconds. Returns 0 success, 100 error
// reply, failed write or refusal (null context, command in progress), 32512 timeout
// (also, unsent, after two commands of the context timed out), 32514 (unsent) while an
// interruption refuses commands, any other number the device's error number.
int ME_Fill_FSM(void* context, void (*notify)(void*), void* result, void (*callback)(void*),
                const char* command, const char* prefix, int timeout);

// Transmit callback: called once the write of the command line has been attempted. Returns 1.
int TX_Callback(int ok, int length, void* context);

// Timer callback: ends the command in progress with the timeout code.
void TimeoutProc(void* context);

// The line is gone: ends the command in progress, if any, with the failed-write code (100), and
// every later command of the context ends so at once, as a failed write.
void ME_LineLost(void* context);

// Send path: writes command to port, reports the outcome to txCallback, then waits for the
// context's response event. Returns 1 when the write succeeded, 0 otherwise.
int me_send_at(void* port, const char* command, ME_TX_CB txCallback, void* context);

// Wakes the caller waiting in me_send_at.
void me_respond_ready(void* context);

// The result code of the context's last command.
int me_get_rettype(void* context);

// Receive callback of the CommModule (user data: the context). Stores the chunk in the ring
// and hands every complete line to the response callback; a COMM_LINE_LOST event is passed to
// ME_LineLost. Returns length, or 0 when the chunk was rejected (empty, null context, no room)
// or was no data.
int DataCallBack(int type, const char* data, unsigned long length, void* context);

// Drains the ring of the context through the line state machine. Returns 0.
int GetOneLine(void* context);

// Advances the line state machine by one byte.
void FillBufferByState(unsigned char byte, void* context);

// The next byte of the ring (0 to 255), or -1 when the ring is empty.
int GetRawData(void* context);

inline unsigned char GetCrByte() {
    return 13;
}
inline unsigned char GetLfByte() {
    return 10;
}
