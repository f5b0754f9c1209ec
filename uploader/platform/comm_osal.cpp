// Windows-style kernel objects over POSIX threads: events, mutex and thread handles, recursive
// locks and the one-shot timer whose thread waits on a condition variable with a deadline.
// Called from the main thread, the serial reader thread and each timer thread.
#include "comm_osal.h"

#include <cassert>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <time.h>

namespace {

const char* const MSG_KILL_ON_TIMEOUT = "[medrv]: Kill timer, event is AT_TIMEOUT\n";
const char* const MSG_TIME_OUT = "[medrv]: Time out call back\n";
const char* const MSG_EXIT_TIMER = "[medrv]: Exit timer thread\n";
const char* const MSG_DESTROY_THREAD_MUTEX = "destroy thread's mutex error";
const char* const MSG_DESTROY_MUTEX = "destroy mutex error";
const char* const MSG_DESTROY_COND = "destroy condition error";

void InitRecursiveMutex(pthread_mutex_t* mutex) {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(mutex, &attr);
    pthread_mutexattr_destroy(&attr);
}

// Every handle carries a mutex: a plain one beside an event's condition, which its waits
// release, and a recursive one otherwise, which a mutex handle's holder may take again.
HANDLE_CONTENT* NewHandle(unsigned char kind) {
    HANDLE_CONTENT* handle = static_cast<HANDLE_CONTENT*>(calloc(1, sizeof(HANDLE_CONTENT)));
    handle->m_nKind = kind;
    if (kind & HANDLE_KIND_COND) {
        pthread_mutex_init(&handle->m_Mutex, nullptr);
        pthread_cond_init(&handle->m_Cond, nullptr);
    } else {
        InitRecursiveMutex(&handle->m_Mutex);
    }
    return handle;
}

void DestroyHandle(HANDLE_CONTENT* handle) {
    if (handle->m_nKind & HANDLE_KIND_MUTEX || handle->m_nKind & HANDLE_KIND_THREAD) {
        if (pthread_mutex_destroy(&handle->m_Mutex) != 0)
            perror(handle->m_nKind & HANDLE_KIND_THREAD ? MSG_DESTROY_THREAD_MUTEX
                                                        : MSG_DESTROY_MUTEX);
    }
    if (handle->m_nKind & HANDLE_KIND_COND) {
        if (pthread_cond_destroy(&handle->m_Cond) != 0)
            perror(MSG_DESTROY_COND);
    }
    free(handle);
}

// A thread handle is freed by whichever of CloseHandle and the ending thread comes last, so a
// handle closed before its thread ended is never written after it was freed.
void ReleaseThreadReference(HANDLE_CONTENT* handle) {
    if (__atomic_sub_fetch(&handle->m_nRefs, 1, __ATOMIC_ACQ_REL) == 0)
        DestroyHandle(handle);
}

struct ThreadStart {
    OSAL_THREAD_FUNC function;
    void* argument;
    HANDLE_CONTENT* handle;
};

void* pthreadHelper(void* raw) {
    ThreadStart* start = static_cast<ThreadStart*>(raw);
    HANDLE_CONTENT* handle = start->handle;
    intptr_t result = start->function(start->argument);
    free(start);
    ReleaseThreadReference(handle);
    return reinterpret_cast<void*>(result);
}

// On the wall clock, which condition waits measure by default.
struct timespec DeadlineAfter(unsigned ms) {
    auto deadline = std::chrono::system_clock::now() + std::chrono::milliseconds(ms);
    auto seconds = std::chrono::time_point_cast<std::chrono::seconds>(deadline);
    struct timespec result;
    result.tv_sec = static_cast<time_t>(seconds.time_since_epoch().count());
    result.tv_nsec = static_cast<long>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - seconds).count());
    return result;
}

unsigned WaitEvent(HANDLE_CONTENT* event, unsigned ms) {
    pthread_mutex_lock(&event->m_Mutex);
    unsigned result = WAIT_OBJECT_0;
    if (!event->m_bSignaled) {
        if (ms == 0) {
            result = WAIT_TIMEOUT;
        } else if (ms == INFINITE) {
            while (!event->m_bSignaled)
                pthread_cond_wait(&event->m_Cond, &event->m_Mutex);
        } else {
            struct timespec deadline = DeadlineAfter(ms);
            while (!event->m_bSignaled) {
                if (pthread_cond_timedwait(&event->m_Cond, &event->m_Mutex, &deadline) != 0 &&
                    !event->m_bSignaled) {
                    result = WAIT_TIMEOUT;
                    break;
                }
            }
        }
    }
    if (result == WAIT_OBJECT_0 && !event->m_bManualReset)
        event->m_bSignaled = 0;
    pthread_mutex_unlock(&event->m_Mutex);
    return result;
}

unsigned WaitMutex(HANDLE_CONTENT* mutex, unsigned ms) {
    if (ms == 0)
        return pthread_mutex_trylock(&mutex->m_Mutex) == 0 ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    if (ms == INFINITE) {
        pthread_mutex_lock(&mutex->m_Mutex);
        return WAIT_OBJECT_0;
    }
    return WAIT_TIMEOUT; // no timed wait on a mutex
}

// Threads are only ever waited for until they end, so every wait joins.
unsigned WaitThread(HANDLE_CONTENT* thread) {
    pthread_mutex_lock(&thread->m_Mutex);
    if (!thread->m_bJoined) {
        pthread_join(thread->m_Thread, nullptr);
        thread->m_bJoined = 1;
    }
    pthread_mutex_unlock(&thread->m_Mutex);
    return WAIT_OBJECT_0;
}

} // namespace

// The timer thread's state: requests are taken in the order set, kill, exit, one per turn, so
// a set followed by a kill before the thread looked leaves the timer disarmed.
struct tagOSALTIMERSTATE {
    std::mutex mutex;
    std::condition_variable changed;
    bool setPending = false;
    bool killPending = false;
    bool exitPending = false;
    unsigned long killsRequested = 0;
    unsigned long killsDone = 0;
};

// ---- numbers

// Long digit runs from a device saturate at the int range instead of overflowing.
int me_atoi(const char* text) {
    while (*text == ' ')
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (value <= INT_MAX)
            value = value * 10 + (*text - '0');
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

// ---- locks

void me_initlock(tagOSALLOCK* lock) {
    InitRecursiveMutex(&lock->m_Mutex);
}
void me_lock(tagOSALLOCK* lock) {
    pthread_mutex_lock(&lock->m_Mutex);
}
void me_unlock(tagOSALLOCK* lock) {
    pthread_mutex_unlock(&lock->m_Mutex);
}
void me_destroylock(tagOSALLOCK* lock) {
    pthread_mutex_destroy(&lock->m_Mutex);
}

// ---- events and handles

HANDLE_CONTENT* CreateEvent(void*, signed char manualReset, signed char initialState,
                            const wchar_t*) {
    HANDLE_CONTENT* event = NewHandle(HANDLE_KIND_EVENT);
    event->m_bManualReset = manualReset != 0;
    event->m_bSignaled = initialState != 0;
    return event;
}

void SetEvent(HANDLE_CONTENT* handle) {
    if (handle == nullptr || !(handle->m_nKind & HANDLE_KIND_COND))
        return;
    pthread_mutex_lock(&handle->m_Mutex);
    handle->m_bSignaled = 1;
    if (handle->m_bManualReset)
        pthread_cond_broadcast(&handle->m_Cond);
    else
        pthread_cond_signal(&handle->m_Cond);
    pthread_mutex_unlock(&handle->m_Mutex);
}

void ResetEvent(HANDLE_CONTENT* handle) {
    assert(handle != nullptr && (handle->m_nKind & HANDLE_KIND_COND));
    pthread_mutex_lock(&handle->m_Mutex);
    handle->m_bSignaled = 0;
    pthread_mutex_unlock(&handle->m_Mutex);
}

unsigned int WaitForSingleObject(HANDLE_CONTENT* handle, unsigned int ms) {
    if (handle == nullptr)
        return WAIT_OBJECT_0;
    if (handle->m_nKind & HANDLE_KIND_COND)
        return WaitEvent(handle, ms);
    if (handle->m_nKind & HANDLE_KIND_MUTEX)
        return WaitMutex(handle, ms);
    return WaitThread(handle);
}

void CloseHandle(HANDLE_CONTENT* handle) {
    if (handle == nullptr)
        return;
    if (handle->m_nKind & HANDLE_KIND_THREAD) {
        if (!handle->m_bJoined)
            pthread_detach(handle->m_Thread);
        ReleaseThreadReference(handle);
        return;
    }
    DestroyHandle(handle);
}

HANDLE_CONTENT* CreateMutexHandle() {
    return NewHandle(HANDLE_KIND_MUTEX);
}

void ReleaseMutexHandle(HANDLE_CONTENT* handle) {
    if (handle != nullptr && handle->m_nKind == HANDLE_KIND_MUTEX)
        pthread_mutex_unlock(&handle->m_Mutex);
}

HANDLE_CONTENT* StartThreadHandle(OSAL_THREAD_FUNC function, void* argument, int* createResult) {
    HANDLE_CONTENT* thread = NewHandle(HANDLE_KIND_THREAD);
    thread->m_nRefs = 2;
    ThreadStart* start = static_cast<ThreadStart*>(malloc(sizeof(ThreadStart)));
    *start = ThreadStart{function, argument, thread};
    int result = pthread_create(&thread->m_Thread, nullptr, pthreadHelper, start);
    if (createResult != nullptr)
        *createResult = result;
    if (result != 0) {
        free(start);
        DestroyHandle(thread);
        return nullptr;
    }
    return thread;
}

// ---- timer

namespace {

using Clock = std::chrono::steady_clock;

void FireTimer(tagOSALTIMER* timer, std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    DebugOutA("%s", MSG_TIME_OUT);
    if (timer->callback != nullptr)
        timer->callback(timer->arg);
    lock.lock();
}

int TimerThreadFunc(void* raw) {
    tagOSALTIMER* timer = static_cast<tagOSALTIMER*>(raw);
    tagOSALTIMERSTATE* state = timer->m_pState;
    std::unique_lock<std::mutex> lock(state->mutex);
    bool armed = false;
    Clock::time_point deadline;
    for (;;) {
        if (state->setPending) {
            state->setPending = false;
            int ms = timer->m_nTimeout;
            armed = ms != -1;
            deadline = Clock::now() + std::chrono::milliseconds(ms);
        } else if (state->killPending) {
            state->killPending = false;
            armed = false;
            state->killsDone = state->killsRequested;
            state->changed.notify_all();
        } else if (state->exitPending) {
            return 0;
        } else if (!armed) {
            state->changed.wait(lock);
        } else if (Clock::now() >= deadline) {
            armed = false; // one-shot
            FireTimer(timer, lock);
        } else {
            state->changed.wait_until(lock, deadline);
        }
    }
}

} // namespace

// Requests made before the timer thread first runs wait for it in its state.
void me_inittimer(tagOSALTIMER* timer) {
    timer->m_pState = new tagOSALTIMERSTATE;
    timer->m_hThread = StartThreadHandle(TimerThreadFunc, timer, nullptr);
}

void me_settimer(tagOSALTIMER* timer, int ms) {
    tagOSALTIMERSTATE* state = timer->m_pState;
    if (state == nullptr)
        return;
    std::lock_guard<std::mutex> lock(state->mutex);
    timer->m_nTimeout = ms;
    state->setPending = true;
    state->changed.notify_all();
}

void me_killtimer(tagOSALTIMER* timer, int reason) {
    if (reason == OSAL_KILL_REASON_TIMEOUT) {
        DebugOutA("%s", MSG_KILL_ON_TIMEOUT);
        return;
    }
    tagOSALTIMERSTATE* state = timer->m_pState;
    if (state == nullptr || timer->m_hThread == nullptr)
        return;
    std::unique_lock<std::mutex> lock(state->mutex);
    unsigned long ticket = ++state->killsRequested;
    state->killPending = true;
    state->changed.notify_all();
    state->changed.wait(lock, [state, ticket] { return state->killsDone >= ticket; });
}

void me_exittimer(tagOSALTIMER* timer) {
    tagOSALTIMERSTATE* state = timer->m_pState;
    if (state == nullptr || timer->m_hThread == nullptr)
        return;
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->exitPending = true;
        state->changed.notify_all();
    }
    WaitForSingleObject(timer->m_hThread, INFINITE);
    CloseHandle(timer->m_hThread);
    timer->m_hThread = nullptr;
    delete state;
    timer->m_pState = nullptr;
    DebugOutA("%s", MSG_EXIT_TIMER);
}

int DebugOutA(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int result = vfprintf(stdout, format, args);
    va_end(args);
    return result;
}
