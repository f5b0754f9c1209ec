// The benchmark's client of the simulated device: opens the slave side of its pseudo-terminal,
// sends bytes and collects what comes back, with a deadline.
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

    bool Send(const std::string& text);
    // Reads raw bytes until `stop` returns true for the bytes so far or the deadline.
    std::string ReadUntil(const std::function<bool(const std::string&)>& stop,
                          std::chrono::milliseconds deadline);

private:
    int m_fd = -1;
};

} // namespace devsim_test
