// Interruption: the signal handler and the record it keeps. The handler only stores numbers,
// except on a second signal, when it restores the line with tcsetattr and leaves with _exit
// (both safe in a handler).
#include "Interruption.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free int");

namespace {

const int kHandledSignals[] = {SIGINT, SIGTERM, SIGHUP};
const int kSignalStatusBase = 128;

// Lock-free, so safe in the handler; two signals reaching two threads at once still count as
// a first and a second.
std::atomic<int> pendingSignal{0};
std::atomic<bool> cleanupOpen{false};
std::atomic<int> lineFd{-1};
struct termios lineSettings; // written before lineFd is published

void onSignal(int number) {
    if (pendingSignal.exchange(number) != 0) {
        int fd = lineFd.load();
        if (fd != -1)
            tcsetattr(fd, TCSANOW, &lineSettings);
        _exit(kSignalStatusBase + number);
    }
}

} // namespace

bool InstallInterruptionHandlers() {
    pendingSignal.store(0);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    bool installed = true;
    for (int number : kHandledSignals)
        installed = sigaction(number, &action, nullptr) == 0 && installed;
    return installed;
}

int PendingSignal() {
    return pendingSignal.load();
}

int InterruptedStatus() {
    int number = pendingSignal.load();
    return number != 0 ? kSignalStatusBase + number : 0;
}

bool CommandsRefused() {
    return pendingSignal.load() != 0 && !cleanupOpen.load();
}

CleanupWindow::CleanupWindow() {
    cleanupOpen.store(true);
}

CleanupWindow::~CleanupWindow() {
    cleanupOpen.store(false);
}

void RememberLineSettings(int fd, const struct termios& saved) {
    lineFd.store(-1);
    lineSettings = saved;
    lineFd.store(fd);
}

void ForgetLineSettings() {
    lineFd.store(-1);
}
