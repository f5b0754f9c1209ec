// A scripted device on the master side of a pseudo-terminal, for the connection tests and the
// engine benchmark: its thread reads the command lines written to the slave side and answers
// each from a script ({expect, reply} steps).
// The test thread sets it up and asks it.
#pragma once

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

// Replies as the device frames them: a final result, or information lines followed by OK.
inline const char kPeerOk[] = "\r\nOK\r\n";
inline std::string PeerReply(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines)
        out += "\r\n" + line + "\r\n";
    return out + kPeerOk;
}

struct PeerStep {
    std::string expect; // the whole command line, CR included
    std::string reply;  // bytes sent back; empty: stay silent
};

class PtyPeer {
public:
    PtyPeer() {
        char name[256];
        if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        m_slavePath = name;
        m_thread = std::thread(&PtyPeer::run, this);
    }
    ~PtyPeer() {
        m_stop = true;
        m_thread.join();
        close(m_master);
        close(m_slave);
    }

    const std::string& slavePath() const { return m_slavePath; }

    // Answers the given steps in order; unexpected lines are recorded as failures.
    void script(const std::vector<PeerStep>& steps) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_steps = steps;
        m_next = 0;
    }

    // Unexpected lines and leftover steps, empty when the exchange went as scripted. A step is
    // taken before its reply goes out, so once a command has its answer, its step counts.
    std::string failures() {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string all = m_failures;
        for (size_t i = m_next; i < m_steps.size(); ++i)
            all += "step not taken: " + m_steps[i].expect + "\n";
        return all;
    }

private:
    // How long the thread waits for bytes before it looks for the stop request again.
    static const int kStopCheckMs = 20;

    void run() {
        std::string pending;
        char buffer[4096];
        while (!m_stop) {
            pollfd entry = {m_master, POLLIN, 0};
            ssize_t n = 0;
            if (poll(&entry, 1, kStopCheckMs) <= 0 ||
                (n = read(m_master, buffer, sizeof buffer)) <= 0)
                continue;
            pending.append(buffer, static_cast<size_t>(n));
            for (size_t cr = pending.find('\r'); cr != std::string::npos; cr = pending.find('\r')) {
                answer(pending.substr(0, cr + 1));
                pending.erase(0, cr + 1);
            }
        }
    }

    void answer(const std::string& line) {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string reply;
        if (m_next < m_steps.size() && m_steps[m_next].expect == line)
            reply = m_steps[m_next++].reply;
        else
            m_failures += "unexpected line: " + line + "\n";
        // Replies are far shorter than what the line buffers.
        if (write(m_master, reply.data(), reply.size()) != static_cast<ssize_t>(reply.size()))
            m_failures += "reply not sent whole: " + reply + "\n";
    }

    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<PeerStep> m_steps;
    size_t m_next = 0;
    std::string m_failures;
};
