// Measures ME_Check_AT round trips against a peer thread that answers "OK" at once over a
// pseudo-terminal, through the real serial port, reader thread and timer thread.
// Usage: engine_bench [commands]   (default 20000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ATResult.h"
#include "PtyPeer.h"
#include "SerialPort.h"
#include "comm_func.h"

namespace {

const int kDefaultCommands = 20000;
const int kWarmUp = 500;

typedef std::chrono::steady_clock Clock;

double micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

double percentile(const std::vector<double>& sorted, double fraction) {
    size_t at = static_cast<size_t>(fraction * static_cast<double>(sorted.size() - 1));
    return sorted[at];
}

} // namespace

int main(int argc, char** argv) {
    int commands = argc > 1 ? std::atoi(argv[1]) : kDefaultCommands;
    if (commands <= 0) {
        std::fprintf(stderr, "usage: engine_bench [commands]\n");
        return 1;
    }
    PtyPeer peer;
    CommModule port;
    if (port.Init_Port(peer.slavePath().c_str()) < 0) {
        std::fprintf(stderr, "engine_bench: cannot open %s\n", peer.slavePath().c_str());
        return 1;
    }
    void* context = ME_Init(&port);
    port.SetCallBack(DataCallBack, context);
    peer.answerEveryLine("\r\nOK\r\n");

    int failures = 0;
    for (int i = 0; i < kWarmUp; ++i) {
        ATResult result;
        failures += ME_Check_AT(context, nullptr, &result) != 0 ? 1 : 0;
    }
    std::vector<double> samples;
    samples.reserve(static_cast<size_t>(commands));
    Clock::time_point begin = Clock::now();
    for (int i = 0; i < commands; ++i) {
        ATResult result;
        Clock::time_point start = Clock::now();
        failures += ME_Check_AT(context, nullptr, &result) != 0 ? 1 : 0;
        samples.push_back(micros(Clock::now() - start));
    }
    double total = micros(Clock::now() - begin);
    std::sort(samples.begin(), samples.end());

    std::printf("ME_Check_AT round trip over a pseudo-terminal, %d commands\n", commands);
    std::printf("  median   %8.1f us\n", percentile(samples, 0.5));
    std::printf("  p99      %8.1f us\n", percentile(samples, 0.99));
    std::printf("  max      %8.1f us\n", samples.back());
    std::printf("  rate     %8.0f commands/s\n", commands / (total / 1e6));
    std::printf("  failures %8d\n", failures);

    port.Deinit_Port();
    ME_DeInit(context);
    return failures == 0 ? 0 : 1;
}
