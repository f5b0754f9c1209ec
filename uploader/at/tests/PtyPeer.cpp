// Scripted pseudo-terminal peer of the engine tests and the benchmark; its thread reads the
// master side and answers line by line.
#include "PtyPeer.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

PtyPeer::PtyPeer() {
    char name[256];
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0 || pipe(m_wake) != 0)
        throw std::runtime_error("openpty failed");
    termios raw{};
    tcgetattr(m_slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(m_slave, TCSANOW, &raw);
    m_slavePath = name;
    m_thread = std::thread(&PtyPeer::run, this);
}

namespace {
const char kStop = 's';
const char kHangUp = 'h';
} // namespace

PtyPeer::~PtyPeer() {
    tell(kStop);
    m_thread.join();
    if (m_master >= 0)
        close(m_master);
    close(m_slave);
    close(m_wake[0]);
    close(m_wake[1]);
}

void PtyPeer::script(const std::vector<PeerStep>& steps) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_steps = steps;
    m_next = 0;
    m_immediate = false;
}

void PtyPeer::answerEveryLine(const std::string& reply) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_immediate = true;
    m_immediateReply = reply;
}

// The peer thread closes the master itself, so it never polls a descriptor closed under it.
void PtyPeer::hangUp() {
    tell(kHangUp);
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_master < 0; });
}

void PtyPeer::tell(char request) {
    if (write(m_wake[1], &request, 1) != 1)
        throw std::runtime_error("peer wake pipe failed");
}

bool PtyPeer::takeRequest() {
    char request = 0;
    if (read(m_wake[0], &request, 1) != 1 || request == kStop)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_master >= 0)
        close(m_master);
    m_master = -1;
    m_changed.notify_all();
    return true;
}

bool PtyPeer::waitScriptDone(int milliseconds) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [this] { return m_next >= m_steps.size(); });
}

std::string PtyPeer::failures() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string all = m_failures;
    for (size_t i = m_next; i < m_steps.size(); ++i)
        all += "step not taken: " + m_steps[i].expect + "\n";
    return all;
}

void PtyPeer::sendAll(const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size() && m_master >= 0) {
        ssize_t n = write(m_master, bytes.data() + sent, bytes.size() - sent);
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

void PtyPeer::answer(const std::string& line) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string reply;
    if (m_immediate) {
        reply = m_immediateReply;
    } else if (m_next < m_steps.size() && m_steps[m_next].expect == line) {
        reply = m_steps[m_next++].reply;
    } else {
        m_failures += "unexpected line: " + line + "\n";
    }
    sendAll(reply);
    ++m_answered;
    m_changed.notify_all();
}

void PtyPeer::run() {
    std::string pending;
    char buffer[4096];
    for (;;) {
        int master;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            master = m_master;
        }
        pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {master, POLLIN, 0}};
        poll(fds, master >= 0 ? 2 : 1, -1);
        if (fds[0].revents != 0) {
            if (!takeRequest())
                return;
            continue;
        }
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            // The slave side was closed: wait for the next request only.
            if (!takeRequest())
                return;
            continue;
        }
        ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0)
            continue;
        pending.append(buffer, static_cast<size_t>(n));
        for (size_t cr = pending.find('\r'); cr != std::string::npos; cr = pending.find('\r')) {
            answer(pending.substr(0, cr + 1));
            pending.erase(0, cr + 1);
        }
    }
}
