// fork/exec of the devsim program with its standard output on a pipe.
#include "DevsimProcess.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef DEVSIM_BIN
#error "DEVSIM_BIN must name the devsim program"
#endif

namespace devsim_test {

namespace {
const int kStartDeadlineMs = 20000;
}

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/devsim-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) != nullptr)
        m_path = buffer.data();
}

TempFolder::~TempFolder() {
    if (m_path.empty())
        return;
    std::string command = "rm -rf '" + m_path + "'";
    int ignored = std::system(command.c_str());
    (void)ignored;
}

void WriteHostFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool HostExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

int WaitChild(pid_t pid, std::chrono::milliseconds deadline) {
    int pidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidFd >= 0) {
        struct pollfd pfd = {pidFd, POLLIN, 0};
        ::poll(&pfd, 1, static_cast<int>(deadline.count()));
        ::close(pidFd);
    }
    int status = -1;
    if (::waitpid(pid, &status, WNOHANG) == pid)
        return status;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

DevsimProcess::~DevsimProcess() {
    if (m_pid > 0)
        Stop(SIGKILL);
    if (m_out >= 0)
        ::close(m_out);
}

bool DevsimProcess::Start(const std::vector<std::string>& args) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return false;
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::dup2(pipeFds[1], STDERR_FILENO);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        std::vector<char*> argv;
        std::string program = DEVSIM_BIN;
        argv.push_back(&program[0]);
        std::vector<std::string> copies = args;
        for (std::string& arg : copies)
            argv.push_back(&arg[0]);
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    m_out = pipeFds[0];
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartDeadlineMs);
    while (std::chrono::steady_clock::now() < end) {
        struct pollfd pfd = {m_out, POLLIN, 0};
        if (::poll(&pfd, 1, 100) <= 0)
            continue;
        char c;
        if (::read(m_out, &c, 1) != 1)
            return false;
        if (c == '\n')
            return true;
        m_firstLine += c;
    }
    return false;
}

int DevsimProcess::Stop(int signal, std::chrono::milliseconds deadline) {
    if (m_pid <= 0)
        return -1;
    ::kill(m_pid, signal);
    return Wait(deadline);
}

int DevsimProcess::Wait(std::chrono::milliseconds deadline) {
    if (m_pid <= 0)
        return -1;
    int status = WaitChild(m_pid, deadline);
    m_pid = -1;
    return status;
}

std::string DevsimProcess::RestOfOutput() {
    std::string rest;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(m_out, buffer, sizeof buffer)) > 0)
        rest.append(buffer, static_cast<size_t>(got));
    return rest;
}

} // namespace devsim_test
