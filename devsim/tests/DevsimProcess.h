// A real devsim process for the tests: started with arguments, its first output line (the
// terminal's path) read with a deadline, stopped with a signal; plus temporary folders, host
// files and names as the upload tool encodes them.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"

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

// UCS-2 hexadecimal text with lower-case digits, as the upload tool encodes names.
std::string Ucs2(const std::string& ascii);

const int kExitDeadlineMs = 20000;

// The devsim program as a child process.
class DevsimProcess {
public:
    // Starts it with `args`; true when it printed its first line in time.
    bool Start(const std::vector<std::string>& args);
    const std::string& FirstLine() const { return m_firstLine; }
    // Sends `signal` and waits for the exit.
    ProcessResult Stop(int signal, int milliseconds = kExitDeadlineMs);
    // Waits for an exit on its own (help, version, a refused command line).
    ProcessResult Wait(int milliseconds = kExitDeadlineMs) {
        return m_process->finish(milliseconds);
    }

private:
    std::unique_ptr<ChildProcess> m_process;
    std::string m_firstLine;
};

} // namespace devsim_test
