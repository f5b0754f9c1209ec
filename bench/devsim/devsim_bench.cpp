// devsim_bench: runs the devsim program on a temporary folder and prints the median "AT"
// round trip, the upload throughput of 4096-byte chunks without a line-rate limit, and
// the achieved byte rate of a read reply under --baud 115200 against the expected one.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "DevsimProcess.h"
#include "PtyClient.h"

using namespace devsim_test;
using Clock = std::chrono::steady_clock;

namespace {

const int kRoundTrips = 2000;
const int kUploadChunks = 1024; // 4 MiB
const size_t kChunkBytes = 4096;
const long kPacedBaud = 115200;
const size_t kPacedFileBytes = 12000;

// The final result line the bytes end with, or "".
std::string FinalLine(const std::string& bytes) {
    static const std::regex kFinal("\r\n(OK|ERROR|\\+CME ERROR:.*)\r\n$");
    // Final lines are short: only the tail is searched, as replies may be long.
    const std::string tail = bytes.substr(bytes.size() < 64 ? 0 : bytes.size() - 64);
    std::smatch match;
    return std::regex_search(tail, match, kFinal) ? match.str(1) : std::string();
}

bool EndsWithFinal(const std::string& bytes) {
    return !FinalLine(bytes).empty();
}

// Sends `command` and a CR; the final result line, or "" when none came in time.
std::string Command(PtyClient& client, const std::string& command) {
    if (!client.Send(command + "\r"))
        return "";
    return FinalLine(client.ReadUntil(EndsWithFinal, std::chrono::seconds(5)));
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

bool RoundTrips(PtyClient& client) {
    std::vector<double> micros;
    for (int i = 0; i < kRoundTrips; ++i) {
        Clock::time_point start = Clock::now();
        if (Command(client, "AT") != "OK")
            return false;
        micros.push_back(Seconds(start) * 1e6);
    }
    std::sort(micros.begin(), micros.end());
    std::printf("AT round trip: median %.0f us, 99th percentile %.0f us (%d commands)\n",
                micros[micros.size() / 2], micros[micros.size() * 99 / 100], kRoundTrips);
    return true;
}

bool Upload(PtyClient& client) {
    if (Command(client, "AT+EFSW=0,\"" + Ucs2("C:\\upload.bin") + "\"") != "OK")
        return false;
    std::string chunk = "AT+EFSW=2,0," + std::to_string(kChunkBytes) + ",\"" +
                        std::string(kChunkBytes * 2, '5') + "\"";
    Clock::time_point start = Clock::now();
    for (int i = 0; i < kUploadChunks; ++i) {
        if (Command(client, chunk) != "OK")
            return false;
    }
    double seconds = Seconds(start);
    if (Command(client, "AT+EFSW=1,\"" + Ucs2("C:\\upload.bin") + "\"") != "OK")
        return false;
    double mib = kUploadChunks * kChunkBytes / 1048576.0;
    std::printf("upload, %zu-byte chunks, no line limit: %.1f MiB in %.2f s = %.2f MiB/s\n",
                kChunkBytes, mib, seconds, mib / seconds);
    return true;
}

bool PacedRead(const TempFolder& tmp) {
    WriteHostFile(tmp.Sub("C/paced.bin"), std::string(kPacedFileBytes, 'x'));
    DevsimProcess device;
    PtyClient client;
    if (!device.Start({"--root", tmp.Path(), "--baud", std::to_string(kPacedBaud)}) ||
        !client.Open(device.FirstLine()))
        return false;
    if (!client.Send("AT+EFSR=\"" + Ucs2("C:\\paced.bin") + "\"\r"))
        return false;
    std::string first =
        client.ReadUntil([](const std::string& b) { return !b.empty(); }, std::chrono::seconds(10));
    Clock::time_point start = Clock::now();
    std::string rest = client.ReadUntil(EndsWithFinal, std::chrono::seconds(60));
    double seconds = Seconds(start);
    double achieved = static_cast<double>(rest.size()) / seconds;
    double expected = kPacedBaud / 11.0;
    std::printf("--baud %ld read reply: %zu bytes at %.0f bytes/s, expected %.0f (%+.2f%%)\n",
                kPacedBaud, first.size() + rest.size(), achieved, expected,
                (achieved / expected - 1.0) * 100.0);
    return true;
}

} // namespace

int main() {
    TempFolder tmp;
    ::mkdir(tmp.Sub("C").c_str(), 0755);
    DevsimProcess device;
    PtyClient client;
    if (!device.Start({"--root", tmp.Path(), "--packet-size", "4096"}) ||
        !client.Open(device.FirstLine())) {
        std::fprintf(stderr, "devsim_bench: devsim did not start\n");
        return 1;
    }
    bool ok = RoundTrips(client) && Upload(client);
    client.Close();
    ok = ok && PacedRead(tmp);
    if (!ok)
        std::fprintf(stderr, "devsim_bench: a command failed\n");
    return ok ? 0 : 1;
}
