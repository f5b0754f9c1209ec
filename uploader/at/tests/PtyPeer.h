// A scripted device on the master side of a pseudo-terminal: it reads the command lines the
// engine writes to the slave side and answers each from a script ({expect, reply} steps) or,
// in immediate mode, with one fixed reply. Runs its own thread; the test thread asks it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct PeerStep {
    std::string expect; // the whole command line, CR included
    std::string reply;  // bytes sent back; empty: stay silent
};

class PtyPeer {
public:
    PtyPeer();
    ~PtyPeer();

    const std::string& slavePath() const { return m_slavePath; }

    // Answers the given steps in order; unexpected lines are recorded as failures.
    void script(const std::vector<PeerStep>& steps);
    // Answers every command line with reply.
    void answerEveryLine(const std::string& reply);
    // Closes the master side: writes to the slave fail from now on.
    void hangUp();

    // Waits until every scripted step was taken. False at the deadline.
    bool waitScriptDone(int milliseconds);
    // Unexpected lines and leftover steps, empty when the exchange went as scripted.
    std::string failures();
    long linesAnswered() const { return m_answered.load(); }

private:
    void run();
    void answer(const std::string& line);
    void sendAll(const std::string& bytes);
    void tell(char request);
    bool takeRequest(); // false for the stop request

    int m_master = -1;
    int m_slave = -1;
    int m_wake[2] = {-1, -1};
    std::string m_slavePath;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<PeerStep> m_steps;
    size_t m_next = 0;
    bool m_immediate = false;
    std::string m_immediateReply;
    std::string m_failures;
    std::atomic<long> m_answered{0};
};
