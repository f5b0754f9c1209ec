// A real devsim process for the tests: started with arguments, its first output line
// read with a deadline, stopped with a signal; plus a temporary root folder.
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace devsim_test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& Path() const { return m_path; }
    std::string Sub(const std::string& relative) const { return m_path + "/" + relative; }

private:
    std::string m_path;
};

void WriteHostFile(const std::string& path, const std::string& content);
std::string ReadHostFile(const std::string& path);
bool HostExists(const std::string& path);

// Waits for the child `pid` to end; its wait status, or -1 (the child then killed and
// reaped) when it is still running after `deadline`.
int WaitChild(pid_t pid, std::chrono::milliseconds deadline);

const std::chrono::milliseconds kExitDeadline(20000);

// A test name made of `text` (other characters than letters and digits as '_') and `index`.
std::string ParamName(const std::string& text, size_t index);

class DevsimProcess {
public:
    DevsimProcess() = default;
    DevsimProcess(const DevsimProcess&) = delete;
    DevsimProcess& operator=(const DevsimProcess&) = delete;
    ~DevsimProcess();

    // Starts the program with `args`; true when it printed its first line in time.
    bool Start(const std::vector<std::string>& args);
    const std::string& FirstLine() const { return m_firstLine; }
    // Sends `signal` and waits for the exit; the wait status, or -1.
    int Stop(int signal, std::chrono::milliseconds deadline = kExitDeadline);
    // Waits for an exit on its own (bad command line); the wait status, or -1.
    int Wait(std::chrono::milliseconds deadline = kExitDeadline);
    // Everything else the program printed on standard error and output after its first line.
    std::string RestOfOutput();

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_firstLine;
};

} // namespace devsim_test
