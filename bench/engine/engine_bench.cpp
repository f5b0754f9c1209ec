// Measures ME_Check_AT round trips against a peer thread that answers "OK" at once over a
// pseudo-terminal, through the real serial port, reader thread and timer thread.
// Usage: engine_bench [commands]   (default 20000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
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

// The serial port echoes all traffic on standard output; while measuring it goes to /dev/null,
// so that the figures show the engine rather than the terminal.
class QuietStdout {
public:
    QuietStdout() : m_saved(dup(STDOUT_FILENO)) {
        std::fflush(stdout);
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            close(null);
        }
    }
    ~QuietStdout() {
        std::fflush(stdout);
        if (m_saved >= 0) {
            dup2(m_saved, STDOUT_FILENO);
            close(m_saved);
        }
    }

private:
    int m_saved;
};

struct Figures {
    std::vector<double> samples; // microseconds, one per command
    double totalMicros = 0;
    int failures = 0;
};

// Runs the commands against a peer that answers "OK" at once. False when the port cannot open.
bool measure(int commands, Figures& figures) {
    QuietStdout quiet;
    PtyPeer peer;
    CommModule port;
    if (port.Init_Port(peer.slavePath().c_str()) < 0)
        return false;
    void* context = ME_Init(&port);
    port.SetCallBack(DataCallBack, context);
    peer.script(std::vector<PeerStep>(size_t(kWarmUp + commands), {"AT\r", kPeerOk}));
    for (int i = 0; i < kWarmUp; ++i) {
        ATResult result;
        figures.failures += ME_Check_AT(context, nullptr, &result) != 0 ? 1 : 0;
    }
    Clock::time_point begin = Clock::now();
    for (int i = 0; i < commands; ++i) {
        ATResult result;
        Clock::time_point start = Clock::now();
        figures.failures += ME_Check_AT(context, nullptr, &result) != 0 ? 1 : 0;
        figures.samples.push_back(micros(Clock::now() - start));
    }
    figures.totalMicros = micros(Clock::now() - begin);
    port.Deinit_Port();
    ME_DeInit(context);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int commands = argc > 1 ? std::atoi(argv[1]) : kDefaultCommands;
    if (commands <= 0) {
        std::fprintf(stderr, "usage: engine_bench [commands]\n");
        return 1;
    }
    Figures figures;
    if (!measure(commands, figures)) {
        std::fprintf(stderr, "engine_bench: cannot open the pseudo-terminal\n");
        return 1;
    }
    std::vector<double>& samples = figures.samples;
    std::sort(samples.begin(), samples.end());
    std::printf("ME_Check_AT round trip over a pseudo-terminal, %d commands\n", commands);
    std::printf("  median   %8.1f us\n", percentile(samples, 0.5));
    std::printf("  p99      %8.1f us\n", percentile(samples, 0.99));
    std::printf("  max      %8.1f us\n", samples.back());
    std::printf("  rate     %8.0f commands/s\n", commands / (figures.totalMicros / 1e6));
    std::printf("  failures %8d\n", figures.failures);
    return figures.failures == 0 ? 0 : 1;
}
