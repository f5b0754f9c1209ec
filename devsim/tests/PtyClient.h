// Test client for the simulated device: opens the slave side of its pseudo-terminal, sends
// command lines and collects replies up to the final result, with a deadline.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace devsim_test {

class PtyClient {
public:
    PtyClient() = default;
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;
    ~PtyClient() { Close(); }

    // Opens the line non-blocking and for exclusive use, as the upload tool does; devsim
    // has made it raw.
    bool Open(const std::string& path);
    void Close();
    int Fd() const { return m_fd; }

    bool Send(const std::string& text);
    // Sends `command` and a CR; the final result line, or "" when none came in time.
    std::string Command(const std::string& command);
    // Reads raw bytes until `stop` returns true for the bytes so far or the deadline.
    std::string ReadUntil(const std::function<bool(const std::string&)>& stop,
                          std::chrono::milliseconds deadline);

private:
    int m_fd = -1;
};

// UCS-2 hexadecimal text with lower-case digits, as the upload tool encodes names.
std::string Ucs2(const std::string& ascii);

// The final result line the bytes end with, or "".
std::string FinalLine(const std::string& bytes);
inline bool EndsWithFinal(const std::string& bytes) {
    return !FinalLine(bytes).empty();
}

} // namespace devsim_test
