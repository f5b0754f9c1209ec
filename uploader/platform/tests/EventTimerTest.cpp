// Events, mutex handles and the one-shot timer, with real threads.
#include "comm_osal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

const unsigned LONG_WAIT_MS = 20000; // generous deadline for what must happen "soon"
const unsigned TIMED_OUT = WAIT_TIMEOUT;

TEST(Event, AutoResetIsConsumedByOneWaitManualResetStaysUntilReset) {
    HANDLE_CONTENT* automatic = CreateEvent(nullptr, 0, 1, nullptr);
    HANDLE_CONTENT* manual = CreateEvent(nullptr, 1, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(automatic, 30), TIMED_OUT);
    // A timed wait never ends early.
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(30));
    std::thread([&] { SetEvent(manual); }).join();
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, INFINITE), WAIT_OBJECT_0);
    ResetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), TIMED_OUT);
    CloseHandle(automatic);
    CloseHandle(manual);
}

unsigned TryFromAnotherThread(HANDLE_CONTENT* mutex) {
    unsigned result = 0;
    std::thread([&] {
        result = WaitForSingleObject(mutex, 0);
        if (result == WAIT_OBJECT_0)
            ReleaseMutexHandle(mutex);
    }).join();
    return result;
}

TEST(MutexHandle, IsRecursiveForItsHolderAndRefusedToOthers) {
    HANDLE_CONTENT* mutex = CreateMutexHandle();
    ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(TryFromAnotherThread(mutex), TIMED_OUT);
    ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    ReleaseMutexHandle(mutex);
    EXPECT_EQ(TryFromAnotherThread(mutex), TIMED_OUT); // still held once
    ReleaseMutexHandle(mutex);
    EXPECT_EQ(TryFromAnotherThread(mutex), WAIT_OBJECT_0);
    CloseHandle(mutex);
}

// Each timer callback sets the fired event; while block is set, the callback waits for it.
struct Fired {
    HANDLE_CONTENT* event = CreateEvent(nullptr, 0, 0, nullptr);
    std::atomic<bool> block{false};
    std::atomic<bool> finished{false};
    ~Fired() { CloseHandle(event); }

    static void Callback(void* self) {
        Fired* fired = static_cast<Fired*>(self);
        SetEvent(fired->event);
        while (fired->block)
            std::this_thread::yield();
        fired->finished = true;
    }
    bool Wait(unsigned ms = LONG_WAIT_MS) {
        return WaitForSingleObject(event, ms) == WAIT_OBJECT_0;
    }
};

class Timer : public ::testing::Test {
protected:
    void SetUp() override {
        timer.callback = Fired::Callback;
        timer.arg = &fired;
        me_inittimer(&timer);
    }
    void TearDown() override {
        me_exittimer(&timer);
        EXPECT_EQ(timer.m_hThread, nullptr); // joined and released
    }
    Fired fired;
    tagOSALTIMER timer{};
};

TEST_F(Timer, FiresOnceAfterItsTimeoutCountingFromTheLastSet) {
    me_settimer(&timer, 5);
    ASSERT_TRUE(fired.Wait());
    auto before = std::chrono::steady_clock::now();
    me_settimer(&timer, 100000);
    me_settimer(&timer, 40);
    ASSERT_TRUE(fired.Wait());
    // never early
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(40));
    EXPECT_FALSE(fired.Wait(100)); // one-shot
}

TEST_F(Timer, KillDisarmsBeforeItReturnsUnlessCalledForTheTimeoutItself) {
    me_settimer(&timer, 200);
    me_killtimer(&timer, 0);
    EXPECT_FALSE(fired.Wait(400));
    me_killtimer(&timer, 2); // killing a disarmed timer returns as well
    me_settimer(&timer, 20);
    me_killtimer(&timer, OSAL_KILL_REASON_TIMEOUT); // only prints
    EXPECT_TRUE(fired.Wait());
}

TEST_F(Timer, KillWaitsForACallbackAlreadyRunning) {
    fired.block = true;
    me_settimer(&timer, 1);
    ASSERT_TRUE(fired.Wait());
    std::thread killer([&] { me_killtimer(&timer, 0); });
    EXPECT_FALSE(fired.finished);
    fired.block = false;
    killer.join();
    EXPECT_TRUE(fired.finished); // the kill came back only after the callback ended
}

} // namespace
