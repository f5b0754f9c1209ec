// Child processes for the end-to-end tests: spawned with pipes, output gathered with poll,
// waits bounded by deadlines measured on the monotonic clock.
#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> out;
    for (std::string& t : texts)
        out.push_back(&t[0]);
    out.push_back(nullptr);
    return out;
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& args, const std::string& cwd,
                           int stderrFd) {
    std::vector<std::string> argText = args;
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, stderrFd >= 0 ? stderrFd : err[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!cwd.empty())
        posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    if (posix_spawn(&m_pid, argText[0].c_str(), &actions, nullptr, pointers(argText).data(),
                    environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    m_out = out[0];
    m_err = err[0];
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0 && !m_reaped) {
        kill(m_pid, SIGKILL);
        reap(-1);
    }
    for (int fd : {m_out, m_err})
        if (fd >= 0)
            close(fd);
}

bool ChildProcess::pump(int milliseconds) {
    pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
    if (m_out < 0 && m_err < 0)
        return false;
    if (poll(fds, 2, milliseconds) <= 0)
        return true;
    int* ends[2] = {&m_out, &m_err};
    std::string* texts[2] = {&m_outText, &m_errText};
    for (int i = 0; i < 2; ++i) {
        if (*ends[i] < 0 || fds[i].revents == 0)
            continue;
        char buffer[4096];
        ssize_t n = read(*ends[i], buffer, sizeof buffer);
        if (n > 0) {
            texts[i]->append(buffer, static_cast<size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            close(*ends[i]);
            *ends[i] = -1;
        }
    }
    return true;
}

bool ChildProcess::readLine(std::string& line, int milliseconds) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        size_t end = m_outText.find('\n', m_lineStart);
        if (end != std::string::npos) {
            line = m_outText.substr(m_lineStart, end - m_lineStart);
            m_lineStart = end + 1;
            return true;
        }
        if (m_out < 0 || millisecondsLeft(deadline) == 0)
            return false;
        pump(millisecondsLeft(deadline));
    }
}

int WaitChild(pid_t pid, std::chrono::milliseconds deadline) {
    int pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    struct pollfd pfd = {pidFd, POLLIN, 0};
    if (pidFd >= 0) {
        poll(&pfd, 1, static_cast<int>(deadline.count()));
        close(pidFd);
    }
    int status = -1;
    if (waitpid(pid, &status, WNOHANG) == pid)
        return status;
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

int ChildProcess::reap(int milliseconds) {
    int waitStatus = WaitChild(m_pid, std::chrono::milliseconds(milliseconds));
    m_reaped = true;
    if (waitStatus != -1)
        m_status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus);
    return waitStatus == -1 ? -1 : m_status;
}

ProcessResult ChildProcess::finish(int milliseconds) {
    ProcessResult result;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (m_pid > 0 && millisecondsLeft(deadline) > 0 && pump(millisecondsLeft(deadline))) {
    }
    if (m_pid > 0 && !m_reaped && reap(millisecondsLeft(deadline)) < 0)
        result.timedOut = true;
    result.status = m_status;
    result.out = m_outText;
    result.err = m_errText;
    return result;
}

void ChildProcess::signal(int number) {
    if (m_pid > 0 && !m_reaped)
        kill(m_pid, number);
}
