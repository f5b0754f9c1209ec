// Prints the median and 99th percentile of SetEvent-to-wake-up latency and of me_settimer +
// me_killtimer, and the CPU time the serial reader thread uses over 5 idle seconds.
#include "SerialPort.h"
#include "comm_osal.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <pty.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
const int ROUNDS = 20000;
const int IDLE_SECONDS = 5;

void PrintPercentiles(const char* what, std::vector<double>& us) {
    std::sort(us.begin(), us.end());
    printf("%-28s median %7.1f us   p99 %7.1f us   (%zu rounds)\n", what, us[us.size() / 2],
           us[us.size() * 99 / 100], us.size());
}

void WakeUpLatency() {
    HANDLE_CONTENT* go = CreateEvent(nullptr, 0, 0, nullptr);
    HANDLE_CONTENT* back = CreateEvent(nullptr, 0, 0, nullptr);
    std::atomic<long long> sentAt{0};
    std::vector<double> us;
    std::thread waiter([&] {
        for (int i = 0; i < ROUNDS; ++i) {
            WaitForSingleObject(go, INFINITE);
            auto now = Clock::now().time_since_epoch().count();
            us.push_back((now - sentAt.load()) / 1000.0);
            SetEvent(back);
        }
    });
    for (int i = 0; i < ROUNDS; ++i) {
        sentAt = Clock::now().time_since_epoch().count();
        SetEvent(go);
        WaitForSingleObject(back, INFINITE);
    }
    waiter.join();
    PrintPercentiles("SetEvent -> wake-up", us);
    CloseHandle(go);
    CloseHandle(back);
}

void NoCallback(void*) {}

void TimerKillLatency() {
    tagOSALTIMER timer{};
    timer.callback = NoCallback;
    me_inittimer(&timer);
    std::vector<double> us;
    for (int i = 0; i < ROUNDS; ++i) {
        auto start = Clock::now();
        me_settimer(&timer, 3000);
        me_killtimer(&timer, 0);
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    PrintPercentiles("me_settimer + me_killtimer", us);
    me_exittimer(&timer);
}

double ProcessCpuMs() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

void IdleReaderCpu() {
    int master, slave;
    char name[128];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return;
    CommModule port;
    if (port.Init_Port(name) < 0)
        return;
    double before = ProcessCpuMs();
    std::this_thread::sleep_for(std::chrono::seconds(IDLE_SECONDS));
    double used = ProcessCpuMs() - before;
    port.Deinit_Port();
    close(master);
    close(slave);
    printf("idle serial reader           %.1f ms CPU over %d s\n", used, IDLE_SECONDS);
}

} // namespace

int main() {
    WakeUpLatency();
    TimerKillLatency();
    fflush(stdout);
    IdleReaderCpu();
    return 0;
}
