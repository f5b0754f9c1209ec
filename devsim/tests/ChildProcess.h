// A program run as a child process for the tests (devsim, Trellup, vxpdev, a shell): its
// standard output and error go to memory files, every wait has a deadline, and a
// child still running when the object goes is killed. Used from the test thread only.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

struct ProcessResult {
    int status = -1; // what a shell sees: the exit code (0-255), or 128 + signal number
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Pointers to the texts of `args`, then a null pointer: an argv for an entry point or a spawn,
// valid while `args` lives unchanged.
std::vector<char*> ArgvOf(std::vector<std::string>& args);

// Asks `condition` every few milliseconds until it holds; false when the deadline passes first.
// For what gives no signal to wait on: a file another process writes, a reaction to a close.
bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds deadline);

class ChildProcess {
public:
    // Starts args[0] with the arguments; cwd empty keeps the current folder. A stderrFd of 0 or
    // more becomes the child's standard error instead of the memory file.
    explicit ChildProcess(const std::vector<std::string>& args, const std::string& cwd = "",
                          int stderrFd = -1);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_pid > 0; }
    // The first line of standard output without its line end. False when the child has ended
    // without one, or when the deadline passes first.
    bool firstLine(std::string& line, int milliseconds);
    // Waits for the end and collects both outputs; kills the child when the deadline passes.
    ProcessResult finish(int milliseconds);
    void signal(int number);

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
};
