// Reply collection over a real pseudo-terminal: poll with a deadline, never a sleep.
#include "PtyClient.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace devsim_test {

bool PtyClient::Open(const std::string& path) {
    Close();
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    return m_fd >= 0 && ::ioctl(m_fd, TIOCEXCL) == 0;
}

void PtyClient::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool PtyClient::Send(const std::string& text) {
    for (size_t done = 0; done < text.size();) {
        ssize_t put = ::write(m_fd, text.data() + done, text.size() - done);
        struct pollfd pfd = {m_fd, POLLOUT, {}};
        if (put > 0)
            done += static_cast<size_t>(put);
        else if (::poll(&pfd, 1, 5000) <= 0)
            return false;
    }
    return true;
}

std::string PtyClient::ReadUntil(const std::function<bool(const std::string&)>& stop,
                                 std::chrono::milliseconds deadline) {
    std::string bytes;
    auto end = std::chrono::steady_clock::now() + deadline;
    struct pollfd pfd = {m_fd, POLLIN, {}};
    char buffer[4096];
    while (!stop(bytes)) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || ::poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
            break;
        ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got > 0)
            bytes.append(buffer, static_cast<size_t>(got));
    }
    return bytes;
}

} // namespace devsim_test
