// Events, mutex and thread handles and the one-shot timer, with real threads.
#include "comm_osal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

const unsigned LONG_WAIT_MS = 20000; // generous deadline for what must happen "soon"

TEST(Event, AutoResetIsConsumedByOneWait) {
    HANDLE_CONTENT* event = CreateEvent(nullptr, 0, 0, nullptr);
    SetEvent(event);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<unsigned>(WAIT_TIMEOUT));
    CloseHandle(event);
}

TEST(Event, ManualResetStaysSetUntilReset) {
    HANDLE_CONTENT* event = CreateEvent(nullptr, 1, 0, nullptr);
    SetEvent(event);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 10), WAIT_OBJECT_0);
    ResetEvent(event);
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<unsigned>(WAIT_TIMEOUT));
    CloseHandle(event);
}

TEST(Event, TimedWaitExpiresAndSignalFromAnotherThreadWakes) {
    HANDLE_CONTENT* event = CreateEvent(nullptr, 0, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 30), static_cast<unsigned>(WAIT_TIMEOUT));
    std::thread setter([event] { SetEvent(event); });
    EXPECT_EQ(WaitForSingleObject(event, LONG_WAIT_MS), WAIT_OBJECT_0);
    setter.join();
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_OBJECT_0);
    SetEvent(nullptr); // ignored
    CloseHandle(event);
}

TEST(MutexHandle, IsRecursiveForItsHolderAndRefusedToOthers) {
    HANDLE_CONTENT* mutex = CreateMutexHandle();
    ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    unsigned other = 0;
    std::thread([&] { other = WaitForSingleObject(mutex, 0); }).join();
    EXPECT_EQ(other, static_cast<unsigned>(WAIT_TIMEOUT));
    ReleaseMutexHandle(mutex);
    ReleaseMutexHandle(mutex);
    std::thread([&] {
        other = WaitForSingleObject(mutex, 0);
        ReleaseMutexHandle(mutex);
    }).join();
    EXPECT_EQ(other, WAIT_OBJECT_0);
    CloseHandle(mutex);
}

int WaitOnEvent(void* event) {
    return WaitForSingleObject(static_cast<HANDLE_CONTENT*>(event), INFINITE) == WAIT_OBJECT_0;
}

TEST(ThreadHandle, SignalledOnceItsFunctionReturned) {
    HANDLE_CONTENT* release = CreateEvent(nullptr, 0, 0, nullptr);
    int created = -1;
    HANDLE_CONTENT* thread = StartThreadHandle(WaitOnEvent, release, &created);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(created, 0);
    EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<unsigned>(WAIT_TIMEOUT));
    SetEvent(release);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0); // joins only once
    CloseHandle(thread);
    CloseHandle(release);
}

TEST(ThreadHandle, ClosedBeforeTheThreadEndsIsNotWrittenAfterItsRelease) {
    HANDLE_CONTENT* release = CreateEvent(nullptr, 1, 0, nullptr);
    HANDLE_CONTENT* thread = StartThreadHandle(WaitOnEvent, release, nullptr);
    CloseHandle(thread); // the running thread keeps its own reference
    SetEvent(release);
    // A second thread on the same event proves the first has had its chance to finish.
    HANDLE_CONTENT* second = StartThreadHandle(WaitOnEvent, release, nullptr);
    WaitForSingleObject(second, INFINITE);
    CloseHandle(second);
    CloseHandle(release);
}

// Counts timer callbacks and lets a test wait for the next one.
struct Fired {
    std::mutex mutex;
    std::condition_variable changed;
    int count = 0;
    std::atomic<bool> block{false};
    std::atomic<bool> inCallback{false};
    std::atomic<bool> finished{false};

    static void Callback(void* self) {
        Fired* fired = static_cast<Fired*>(self);
        fired->inCallback = true;
        {
            std::lock_guard<std::mutex> lock(fired->mutex);
            ++fired->count;
        }
        fired->changed.notify_all();
        while (fired->block)
            std::this_thread::yield();
        fired->finished = true;
    }
    bool WaitFor(int n, unsigned ms = LONG_WAIT_MS) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return count >= n; });
    }
    int Count() {
        std::lock_guard<std::mutex> lock(mutex);
        return count;
    }
};

class Timer : public ::testing::Test {
protected:
    void SetUp() override {
        timer.callback = Fired::Callback;
        timer.arg = &fired;
        me_inittimer(&timer);
    }
    void TearDown() override { me_exittimer(&timer); }
    tagOSALTIMER timer{};
    Fired fired;
};

TEST_F(Timer, FiresOnceAfterItsTimeout) {
    EXPECT_EQ(StartTimer(&timer), 0); // already running
    me_settimer(&timer, 5);           // below 11 ms: at once
    ASSERT_TRUE(fired.WaitFor(1));
    me_settimer(&timer, 40);
    ASSERT_TRUE(fired.WaitFor(2));
    EXPECT_FALSE(fired.WaitFor(3, 100)); // one-shot
}

TEST_F(Timer, KillDisarmsBeforeItReturns) {
    me_settimer(&timer, 200);
    me_killtimer(&timer, 0);
    EXPECT_FALSE(fired.WaitFor(1, 400));
    me_killtimer(&timer, 2); // killing a disarmed timer returns as well
}

TEST_F(Timer, RestartWhileArmedCountsFromTheNewValue) {
    me_settimer(&timer, 100000);
    me_settimer(&timer, 20);
    EXPECT_TRUE(fired.WaitFor(1));
}

TEST_F(Timer, KillWaitsForACallbackAlreadyRunning) {
    fired.block = true;
    me_settimer(&timer, 1);
    ASSERT_TRUE(fired.WaitFor(1));
    std::atomic<bool> killed{false};
    std::thread killer([&] {
        me_killtimer(&timer, 0);
        killed = true;
    });
    EXPECT_FALSE(fired.finished);
    fired.block = false;
    killer.join();
    EXPECT_TRUE(killed);
    EXPECT_TRUE(fired.finished); // the kill came back only after the callback ended
}

TEST_F(Timer, KillFromTheCallbackReasonReturnsAtOnce) {
    me_killtimer(&timer, OSAL_KILL_REASON_TIMEOUT);
    me_settimer(&timer, 1);
    EXPECT_TRUE(fired.WaitFor(1));
}

} // namespace
