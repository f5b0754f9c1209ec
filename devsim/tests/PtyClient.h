// Test client for the simulated device: opens the slave side of its pseudo-terminal, sends
// command lines and collects reply lines up to the final result, with a deadline.
#pragma once

#include <chrono>
#include <string>
#include <termios.h>
#include <vector>

namespace devsim_test {

struct Exchange {
    std::vector<std::string> lines; // every non-empty reply line, final result last
    const std::string& Final() const;
};

class PtyClient {
public:
    PtyClient() = default;
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;
    ~PtyClient();

    // Opens the line raw and non-blocking; with `exclusive`, asks for exclusive use as the
    // upload tool does. `found` receives the settings the line had before.
    bool Open(const std::string& path, bool exclusive = false, struct termios* found = nullptr);
    void Close();
    int Fd() const { return m_fd; }

    bool Send(const std::string& text);
    // Sends `command` and a CR, then reads until a final result line or the deadline.
    Exchange Command(const std::string& command,
                     std::chrono::milliseconds deadline = std::chrono::milliseconds(5000));
    // Reads raw bytes until `stop` returns true for the bytes so far or the deadline.
    std::string ReadUntil(bool (*stop)(const std::string&), std::chrono::milliseconds deadline);

private:
    int m_fd = -1;
};

// UCS-2 hexadecimal text with lower-case digits, as the upload tool encodes names.
std::string Ucs2(const std::string& ascii);

// True when the text ends in a complete final result line.
bool EndsWithFinal(const std::string& bytes);

} // namespace devsim_test
