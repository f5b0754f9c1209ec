// The handler writes one byte into a pipe: async-signal-safe, and it wakes any poll.
#include "StopSignals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace devsim {

namespace {

int g_stopPipe[2]; // made before the handler is installed

void OnStopSignal(int) {
    int saved = errno;
    char byte = 1;
    ssize_t ignored = ::write(g_stopPipe[1], &byte, sizeof byte);
    (void)ignored;
    errno = saved;
}

void GuardStop(int stopFd, std::chrono::milliseconds grace, int exitStatus) {
    struct pollfd pfd = {stopFd, POLLIN, {}};
    while (::poll(&pfd, 1, -1) <= 0) {
    }
    std::this_thread::sleep_for(grace);
    ::_exit(exitStatus);
}

} // namespace

int InstallStopSignals(std::chrono::milliseconds grace, int exitStatus) {
    if (::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return -1;
    try {
        std::thread(GuardStop, g_stopPipe[0], grace, exitStatus).detach();
    } catch (const std::system_error&) {
        return -1;
    }
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    return g_stopPipe[0];
}

} // namespace devsim
