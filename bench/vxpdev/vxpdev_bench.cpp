// vxpdev_bench: vxpdev as a process against devsim as a process. Prints put and get of 64 KiB
// at 115200 baud against the wire-time bound of their command and reply bytes (11 bits per
// byte; goal: at least 95% of the bound), the whole run of ls -l on a folder of 500 entries
// without a line limit (goal: under 0.5 s), and the time from a vanished line (devsim killed)
// and from SIGINT to vxpdev's exit during a paced put (goal for the line: 2 s).
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "VxpdevRun.h"

namespace {

using Clock = std::chrono::steady_clock;

const size_t kFileBytes = 64 * 1024;
const char kBaud[] = "115200";
const double kBitsPerSecond = 115200;
const double kBitsPerByte = 11;
const size_t kReadLineBytes = 63; // data bytes per "+EFSR" line of the device
const size_t kFinalOk = 6;        // "\r\nOK\r\n"
const int kEntries = 500;
const int kFaultRuns = 3;
const int kDeadlineMs = 60000;
const char kChunkPrefix[] = "AT+EFSW=2,";

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Command lines with their CR and the final OK of each; the listing replies (a few short
// lines) are left out, which only lowers the bound.
size_t commandBytes(const DeviceRig& rig) {
    size_t bytes = 0;
    for (const std::string& command : rig.commands())
        if (command.rfind("AT", 0) == 0) // not devsim's own events
            bytes += command.size() + 1 + kFinalOk;
    return bytes;
}

// The "+EFSR: i,last,count,"HEX"" lines of reading a file of n bytes, each with CR LF.
size_t readReplyBytes(size_t n) {
    size_t bytes = 0;
    size_t index = 0;
    for (size_t at = 0; at < n || index == 0; at += kReadLineBytes, ++index) {
        size_t count = std::min(kReadLineBytes, n - at);
        std::string head = "+EFSR: " + std::to_string(index) + ",0," + std::to_string(count);
        bytes += head.size() + 3 + 2 * count + 2;
    }
    return bytes;
}

double timed(DeviceRig& rig, const std::vector<std::string>& args) {
    std::vector<std::string> all = {"-b", rig.port()};
    all.insert(all.end(), args.begin(), args.end());
    Clock::time_point start = Clock::now();
    ProcessResult result = runVxpdev(all, rig.work());
    double seconds = secondsSince(start);
    if (result.status != 0)
        std::fprintf(stderr, "vxpdev %s ended with %d: %s", args[0].c_str(), result.status,
                     result.err.c_str());
    return seconds;
}

void report(const char* what, double seconds, size_t bytes) {
    double bound = static_cast<double>(bytes) * kBitsPerByte / kBitsPerSecond;
    std::printf("%s: %.2f s; wire-time bound %.2f s (%zu bytes); %.1f%% of the bound\n", what,
                seconds, bound, bytes, 100 * bound / seconds);
}

void pacedTransfers() {
    DeviceRig rig;
    std::string bytes = patternBytes(kFileBytes);
    writeFile(rig.work() / "in.bin", bytes);
    if (!rig.start({"--baud", kBaud}))
        return;
    double put = timed(rig, {"put", "in.bin", "C:/f.bin"});
    report("put 64 KiB at 115200 baud", put, commandBytes(rig));
    size_t before = commandBytes(rig);
    double get = timed(rig, {"get", "C:/f.bin", "out.bin"});
    if (ReadHostFile(rig.work() / "out.bin") != bytes)
        std::fprintf(stderr, "get returned other bytes\n");
    report("get 64 KiB at 115200 baud", get,
           commandBytes(rig) - before + readReplyBytes(kFileBytes));
}

void longListing() {
    DeviceRig rig;
    for (int i = 0; i < kEntries; ++i)
        writeFile(rig.drive('C') / "DIR" / ("entry-" + std::to_string(i) + ".txt"), "");
    if (!rig.start())
        return;
    std::printf("ls -l of %d entries, no line limit, whole run: %.3f s\n", kEntries,
                timed(rig, {"ls", "-l", "C:/DIR"}));
}

// One paced put ended by the fault once its chunks flow: the seconds from the fault to the exit.
double faultToExit(bool vanish) {
    DeviceRig rig;
    writeFile(rig.work() / "in.bin", patternBytes(kFileBytes));
    if (!rig.start({"--baud", kBaud}))
        return -1;
    auto put = startVxpdev({"-b", rig.port(), "put", "in.bin", "C:/f.bin"}, rig.work());
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kDeadlineMs);
    while (rig.count(kChunkPrefix) < 2 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Clock::time_point fault = Clock::now();
    if (vanish)
        rig.stop(SIGKILL);
    else
        put->signal(SIGINT);
    put->finish(kDeadlineMs);
    return secondsSince(fault);
}

void faults() {
    for (bool vanish : {true, false}) {
        double worst = 0;
        for (int i = 0; i < kFaultRuns; ++i)
            worst = std::max(worst, faultToExit(vanish));
        std::printf("%s to exit during a put at 115200 baud: worst of %d %.2f s\n",
                    vanish ? "vanished line" : "SIGINT", kFaultRuns, worst);
    }
}

} // namespace

int main() {
    pacedTransfers();
    longListing();
    faults();
    return 0;
}
