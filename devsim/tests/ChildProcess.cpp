// Child processes for the end-to-end tests: spawned with their output in memory files, which
// never fill up and block the child as a pipe nobody drains would.
#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const int kPollMs = 5;

// In memory, so that a test that points TMPDIR elsewhere still runs its programs.
int tempFile() {
    return memfd_create("child-output", MFD_CLOEXEC);
}

std::string contents(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    return text;
}

} // namespace

std::vector<char*> ArgvOf(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    return argv;
}

ChildProcess::ChildProcess(const std::vector<std::string>& args, const std::string& cwd,
                           int stderrFd)
    : m_out(tempFile()), m_err(tempFile()) {
    std::vector<std::string> argText = args;
    std::vector<char*> argv = ArgvOf(argText);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, m_out, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, stderrFd >= 0 ? stderrFd : m_err, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!cwd.empty())
        posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    if (m_out < 0 || m_err < 0 ||
        posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() {
    signal(SIGKILL);
    if (m_pid > 0)
        waitpid(m_pid, nullptr, 0);
    for (int fd : {m_out, m_err})
        if (fd >= 0)
            close(fd);
}

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        poll(nullptr, 0, kPollMs);
    }
    return true;
}

bool ChildProcess::firstLine(std::string& line, int milliseconds) {
    std::string text;
    Eventually(
        [&] {
            // Asked before the output is read, so that a line written just before the end counts.
            siginfo_t info = {};
            bool ended =
                m_pid <= 0 ||
                waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
                info.si_pid != 0;
            text = contents(m_out);
            return ended || text.find('\n') != std::string::npos;
        },
        std::chrono::milliseconds(milliseconds));
    line = text.substr(0, text.find('\n'));
    return line.size() < text.size();
}

ProcessResult ChildProcess::finish(int milliseconds) {
    ProcessResult result;
    if (m_pid > 0) {
        int status = -1;
        auto ended = [&] { return waitpid(m_pid, &status, WNOHANG) == m_pid; };
        result.timedOut = !Eventually(ended, std::chrono::milliseconds(milliseconds));
        if (result.timedOut) {
            signal(SIGKILL);
            waitpid(m_pid, nullptr, 0);
        } else {
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        m_pid = -1;
    }
    result.out = contents(m_out);
    result.err = contents(m_err);
    return result;
}

void ChildProcess::signal(int number) {
    if (m_pid > 0)
        kill(m_pid, number);
}
