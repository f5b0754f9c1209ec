// fork/exec of the devsim program with its standard output and error on a pipe.
#include "DevsimProcess.h"

#include <cctype>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
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
    std::string pattern = (std::filesystem::temp_directory_path() / "devsim-test-XXXXXX").string();
    if (::mkdtemp(&pattern[0]) != nullptr)
        m_path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void WriteHostFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::string ReadHostFile(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

bool HostExists(const std::string& path) {
    return std::filesystem::exists(std::filesystem::symlink_status(path));
}

std::string ParamName(const std::string& text, size_t index) {
    std::string name = std::to_string(index) + "_" + text;
    for (char& c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

int WaitChild(pid_t pid, std::chrono::milliseconds deadline) {
    int pidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    struct pollfd pfd = {pidFd, POLLIN, 0};
    if (pidFd >= 0) {
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
        std::vector<std::string> copies = args;
        copies.insert(copies.begin(), DEVSIM_BIN);
        std::vector<char*> argv;
        for (std::string& arg : copies)
            argv.push_back(&arg[0]);
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    m_out = pipeFds[0];
    struct pollfd pfd = {m_out, POLLIN, 0};
    char c;
    while (::poll(&pfd, 1, kStartDeadlineMs) > 0 && ::read(m_out, &c, 1) == 1) {
        if (c == '\n')
            return true;
        m_firstLine += c;
    }
    return false;
}

int DevsimProcess::Stop(int signal, std::chrono::milliseconds deadline) {
    if (m_pid > 0)
        ::kill(m_pid, signal);
    return Wait(deadline);
}

int DevsimProcess::Wait(std::chrono::milliseconds deadline) {
    int status = m_pid > 0 ? WaitChild(m_pid, deadline) : -1;
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
