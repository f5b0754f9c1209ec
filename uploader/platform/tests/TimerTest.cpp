// The one-shot timer and the mutex handle, with real threads. Events are checked through their
// users: the timer here, the serial port and the connection in their own tests.
#include "comm_osal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

const unsigned LONG_WAIT_MS = 20000; // generous deadline for what must happen "soon"

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

TEST_F(Timer, KillWaitsForACallbackAlreadyRunning) {
    fired.block = true;
    me_settimer(&timer, 1);
    ASSERT_TRUE(fired.Wait());
    std::atomic<bool> killed{false};
    std::thread killer([&] {
        me_killtimer(&timer, 0);
        killed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // time to come back too early
    EXPECT_FALSE(killed);
    fired.block = false;
    killer.join();
    EXPECT_TRUE(fired.finished); // the kill came back only after the callback ended
}

// A mutex handle taken without limit is taken for every other thread until its release; then
// another thread's try takes it.
TEST(MutexHandle, TakenUntilReleased) {
    HANDLE_CONTENT* mutex = CreateMutexHandle();
    auto tryElsewhere = [mutex] {
        unsigned result = WAIT_TIMEOUT;
        std::thread([&] {
            result = WaitForSingleObject(mutex, 0);
            if (result == WAIT_OBJECT_0)
                ReleaseMutexHandle(mutex);
        }).join();
        return result;
    };
    ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(tryElsewhere(), WAIT_TIMEOUT);
    ReleaseMutexHandle(mutex);
    EXPECT_EQ(tryElsewhere(), WAIT_OBJECT_0);
    CloseHandle(mutex);
}

} // namespace
