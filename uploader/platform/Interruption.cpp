// Interruption: the signal handler and the record it keeps. The handler only stores numbers,
// except on a second signal, when it restores the line with tcsetattr and leaves with _exit
// (both safe in a handler).
#include "Interruption.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace {

const int kHandledSignals[] = {SIGINT, SIGTERM, SIGHUP};
const int kSignalStatusBase = 128;

volatile sig_atomic_t pendingSignal = 0;
std::atomic<bool> cleanupOpen{false};
std::atomic<int> lineFd{-1};
struct termios lineSettings; // written before lineFd is published

void onSignal(int number) {
    if (pendingSignal != 0) {
        int fd = lineFd.load();
        if (fd != -1)
            tcsetattr(fd, TCSANOW, &lineSettings);
        _exit(kSignalStatusBase + number);
    }
    pendingSignal = number;
}

} // namespace

bool InstallInterruptionHandlers() {
    pendingSignal = 0;
    cleanupOpen.store(false);
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
    return pendingSignal;
}

int InterruptedStatus() {
    int number = pendingSignal;
    return number != 0 ? kSignalStatusBase + number : 0;
}

bool CommandsRefused() {
    return pendingSignal != 0 && !cleanupOpen.load();
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
