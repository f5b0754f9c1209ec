// Windows-style kernel objects over POSIX threads for the AT engine and the serial port:
// recursive locks, events with timed waits, mutex and thread handles, the one-shot timer with
// its own thread, the engine's number reader and the console print.
// Every function may be called from any thread unless its comment says otherwise.
#pragma once

#include <pthread.h>

// Wait results and the "no limit" timeout of WaitForSingleObject.
enum {
    WAIT_OBJECT_0 = 0,
    WAIT_TIMEOUT = 258,
};
#define INFINITE 0xFFFFFFFFu

// Kind flags of a HANDLE_CONTENT record.
enum {
    HANDLE_KIND_THREAD = 1,
    HANDLE_KIND_MUTEX = 2,
    HANDLE_KIND_COND = 4,
    HANDLE_KIND_EVENT = HANDLE_KIND_MUTEX | HANDLE_KIND_COND,
};

// The record behind every event, mutex and thread handle; freed by CloseHandle.
struct HANDLE_CONTENT {
    unsigned char m_nKind;        // HANDLE_KIND_* bits
    pthread_t m_Thread;           // thread handles only
    pthread_mutex_t m_Mutex;      // default for events, recursive for mutex and thread handles
    pthread_cond_t m_Cond;        // events only
    unsigned char m_bSignaled;    // events only
    unsigned char m_bManualReset; // events only
    unsigned char m_bJoined; // thread handles: joined already (a second join would be undefined)
    int m_nRefs; // thread handles: the handle and the running thread each hold one reference
};

// A recursive mutex: the holder may lock it again and unlocks it as often.
struct tagOSALLOCK {
    pthread_mutex_t m_Mutex;
};

struct tagOSALTIMERSTATE; // the timer thread's private state (comm_osal.cpp)

typedef void (*OSAL_TIMER_CALLBACK)(void*);

// One-shot timer with a thread of its own; embedded in its owner. The owner fills callback and
// arg before me_inittimer.
struct tagOSALTIMER {
    OSAL_TIMER_CALLBACK callback; // runs on the timer thread when the timeout passes
    void* arg;                    // handed to the callback
    HANDLE_CONTENT* m_hThread;    // null while no timer thread runs
    int m_nTimeout;               // milliseconds stored by me_settimer
    tagOSALTIMERSTATE* m_pState;  // pending set/kill/exit requests, deadline, condition variable
};

// The reason me_killtimer is called with when the timer's own callback ends the command.
enum { OSAL_KILL_REASON_TIMEOUT = 1 };

// Skips spaces only, one optional sign, then decimal digits; 0 when no digit follows, the int
// limit on the number's side for a number past it.
int me_atoi(const char* text);

// Recursive locks.
void me_initlock(tagOSALLOCK* lock);
void me_lock(tagOSALLOCK* lock);
void me_unlock(tagOSALLOCK* lock);
void me_destroylock(tagOSALLOCK* lock);

// Events: attributes and name are ignored. Returns a new handle, freed by CloseHandle.
HANDLE_CONTENT* CreateEvent(void* attributes, signed char manualReset, signed char initialState,
                            const wchar_t* name);
// Wakes one waiter (auto-reset) or all (manual-reset) and sets the flag; null or non-events
// ignored. ResetEvent clears the flag of an event.
void SetEvent(HANDLE_CONTENT* handle);
void ResetEvent(HANDLE_CONTENT* handle);
// 0 when signalled (an auto-reset event is consumed) or the thread has ended, 258 on timeout.
// ms 0 tests without waiting, INFINITE waits without limit; a wait on a thread handle always
// lasts until the thread ended. A null handle returns 0.
unsigned int WaitForSingleObject(HANDLE_CONTENT* handle, unsigned int ms);
// Destroys what the record owns and frees it; never joins or stops a thread. Null is ignored.
void CloseHandle(HANDLE_CONTENT* handle);

// Mutex handles (kind 2, recursive): taken by WaitForSingleObject (0 tries, INFINITE blocks),
// released by ReleaseMutexHandle, destroyed by CloseHandle.
HANDLE_CONTENT* CreateMutexHandle();
void ReleaseMutexHandle(HANDLE_CONTENT* handle);

// Starts function(argument) on a new thread; the handle is signalled once it returned.
// Null when the thread could not be started (*createResult then holds the error number).
typedef int (*OSAL_THREAD_FUNC)(void*);
HANDLE_CONTENT* StartThreadHandle(OSAL_THREAD_FUNC function, void* argument, int* createResult);

// Timer. me_inittimer starts the timer thread; me_settimer arms it for ms milliseconds,
// restarting the count when already armed; the callback runs once on the timer thread. me_killtimer
// disarms; with reason 1 (called from the callback itself) it only prints. Otherwise it returns
// once the timer thread has disarmed, which is after a callback already running has returned: the
// caller must not hold a lock the callback takes. me_exittimer ends and joins the thread and frees
// the timer's records.
void me_inittimer(tagOSALTIMER* timer);
void me_settimer(tagOSALTIMER* timer, int ms);
void me_killtimer(tagOSALTIMER* timer, int reason);
void me_exittimer(tagOSALTIMER* timer);

// printf to standard output, no newline added.
int DebugOutA(const char* format, ...) __attribute__((format(printf, 1, 2)));
