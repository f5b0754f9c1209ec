// Reply collection over a real pseudo-terminal: poll with a deadline, never a sleep.
#include "PtyClient.h"

#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace devsim_test {

namespace {

std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while ((start = bytes.find_first_not_of("\r\n", start)) != std::string::npos) {
        size_t end = bytes.find_first_of("\r\n", start);
        lines.push_back(bytes.substr(start, end - start));
        start = end;
    }
    return lines;
}

} // namespace

const std::string& Exchange::Final() const {
    static const std::string kNone;
    return lines.empty() ? kNone : lines.back();
}

bool EndsWithFinal(const std::string& bytes) {
    size_t start = bytes.rfind("\r\n", bytes.size() < 3 ? 0 : bytes.size() - 3);
    if (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0 ||
        start == std::string::npos)
        return false;
    std::string last = bytes.substr(start + 2, bytes.size() - start - 4);
    return last == "OK" || last == "ERROR" || last.rfind("+CME ERROR:", 0) == 0;
}

PtyClient::~PtyClient() {
    Close();
}

bool PtyClient::Open(const std::string& path, bool exclusive, struct termios* found) {
    Close();
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    struct termios tio;
    if (m_fd < 0 || (exclusive && ::ioctl(m_fd, TIOCEXCL) != 0) || ::tcgetattr(m_fd, &tio) != 0)
        return false;
    if (found != nullptr)
        *found = tio;
    ::cfmakeraw(&tio);
    return ::tcsetattr(m_fd, TCSANOW, &tio) == 0;
}

void PtyClient::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool PtyClient::Send(const std::string& text) {
    for (size_t done = 0; done < text.size();) {
        ssize_t put = ::write(m_fd, text.data() + done, text.size() - done);
        struct pollfd pfd = {m_fd, POLLOUT, 0};
        if (put > 0)
            done += static_cast<size_t>(put);
        else if (::poll(&pfd, 1, 5000) <= 0)
            return false;
    }
    return true;
}

std::string PtyClient::ReadUntil(bool (*stop)(const std::string&),
                                 std::chrono::milliseconds deadline) {
    std::string bytes;
    auto end = std::chrono::steady_clock::now() + deadline;
    while (!stop(bytes)) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        struct pollfd pfd = {m_fd, POLLIN, 0};
        if (left.count() <= 0)
            break;
        char buffer[4096];
        ssize_t got = ::poll(&pfd, 1, static_cast<int>(left.count())) > 0
                          ? ::read(m_fd, buffer, sizeof buffer)
                          : 0;
        if (got > 0)
            bytes.append(buffer, static_cast<size_t>(got));
    }
    return bytes;
}

Exchange PtyClient::Command(const std::string& command, std::chrono::milliseconds deadline) {
    Exchange exchange;
    if (!Send(command + "\r"))
        return exchange;
    std::string bytes = ReadUntil(EndsWithFinal, deadline);
    exchange.lines = SplitLines(bytes);
    return exchange;
}

std::string Ucs2(const std::string& ascii) {
    std::string hex;
    char group[8];
    for (unsigned char c : ascii) {
        std::snprintf(group, sizeof group, "%04x", c);
        hex += group;
    }
    return hex;
}

} // namespace devsim_test
