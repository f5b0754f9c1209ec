// Reply collection over a real pseudo-terminal: poll with a deadline, never a sleep.
#include "PtyClient.h"

#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace devsim_test {

namespace {

const char* const kFinals[] = {"OK", "ERROR", "+CME ERROR:"};

bool IsFinal(const std::string& line) {
    for (const char* final : kFinals) {
        if (line.compare(0, std::string(final).size(), final) == 0)
            return true;
    }
    return false;
}

std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::string current;
    for (char c : bytes) {
        if (c == '\r' || c == '\n') {
            if (!current.empty())
                lines.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    return lines;
}

} // namespace

const std::string& Exchange::Final() const {
    static const std::string kNone;
    return lines.empty() ? kNone : lines.back();
}

bool EndsWithFinal(const std::string& bytes) {
    if (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0)
        return false;
    std::vector<std::string> lines = SplitLines(bytes);
    return !lines.empty() && IsFinal(lines.back());
}

PtyClient::~PtyClient() {
    Close();
}

bool PtyClient::Open(const std::string& path, bool exclusive) {
    Close();
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0)
        return false;
    if (exclusive && ::ioctl(m_fd, TIOCEXCL) != 0)
        return false;
    struct termios tio;
    if (::tcgetattr(m_fd, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    return ::tcsetattr(m_fd, TCSANOW, &tio) == 0;
}

void PtyClient::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool PtyClient::Send(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t put = ::write(m_fd, text.data() + done, text.size() - done);
        if (put > 0) {
            done += static_cast<size_t>(put);
            continue;
        }
        struct pollfd pfd = {m_fd, POLLOUT, 0};
        if (::poll(&pfd, 1, 5000) <= 0)
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
        if (left.count() <= 0)
            break;
        struct pollfd pfd = {m_fd, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buffer[4096];
        ssize_t got = ::read(m_fd, buffer, sizeof buffer);
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
    exchange.complete = EndsWithFinal(bytes);
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
