// CommModule: the serial line to the device. Init_Port and Deinit_Port run on the main thread,
// WriteData on the thread that issues commands; the reader thread it starts hands every received
// chunk (at most 511 bytes) to the receive callback.
#pragma once

#include <termios.h>

#include "comm_osal.h"

// Data types passed to the receive callback: received bytes, or (no data) the line is gone:
// hung up or failed, so no answer will come.
enum { COMM_DATA_RECEIVED = 1, COMM_LINE_LOST = 2 };

typedef int (*COMM_RECEIVE_CALLBACK)(int dataType, const char* data, unsigned long length,
                                     void* user);

class CommModule {
public:
    CommModule();
    ~CommModule();

    // Chunks read before a callback is set are only printed and logged.
    void SetCallBack(COMM_RECEIVE_CALLBACK callback, void* user);
    // Opens and configures the line (115200 8E1-style with RTS/CTS, raw) and starts the reader.
    // Returns the descriptor (>= 0), or -1 after printing and logging why (a port another program
    // holds is reported in one line on standard error).
    int Init_Port(const char* path);
    // Writes length bytes of zero-terminated text; 1 on success, 0 when the line took no byte
    // for several seconds or failed.
    int WriteData(const char* data, const int& length);
    // Stops the reader, then restores the settings and closes the line.
    void Deinit_Port();
    void ClosePort();
    // Whether the last Init_Port failed because another program holds the port.
    bool IsBusy() const { return m_bBusy; }

    // Reader thread entry: runs ThreadFunc of the object.
    static int WatchProc(void* self);

private:
    bool Initernal_Start();
    void Initernal_Stop();
    bool StartThread();
    int ThreadFunc();
    bool WaitReadable();
    void WakeReader();
    void ReportLineLost();

    int m_nFd;
    struct termios m_SavedSettings;
    HANDLE_CONTENT* m_hThread;
    int m_nThreadResult;
    HANDLE_CONTENT* m_hStopEvent;
    void* m_pUserData;
    COMM_RECEIVE_CALLBACK m_pCallback;
    int m_WakePipe[2]; // Initernal_Stop writes to [1] so a waiting reader returns at once
    bool m_bHungUp;    // reader thread only: the last wait saw a hang-up
    bool m_bBusy;
};
