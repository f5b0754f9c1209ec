// Interruption: SIGINT, SIGTERM and SIGHUP for a program that talks to the device. The first
// signal is only recorded: the AT engine then refuses every command after the one in flight,
// and the program sends its cleanup commands inside a CleanupWindow, then exits with
// InterruptedStatus(). A second signal restores the line's saved settings and ends the process
// at once. The handler runs on whichever thread the signal reaches; the rest on the main thread.
#pragma once

#include <termios.h>

// Installs the handlers and clears any earlier record. False when one cannot be installed.
bool InstallInterruptionHandlers();
// The number of the signal received, 0 when none.
int PendingSignal();
// 128 + the signal number, as a shell reports a process the signal ended; 0 when none.
int InterruptedStatus();
// True while a signal is pending and no cleanup window is open.
bool CommandsRefused();

// While one exists, the engine takes commands again, so that a device file left open can be
// closed and deleted.
class CleanupWindow {
public:
    CleanupWindow();
    ~CleanupWindow();
    CleanupWindow(const CleanupWindow&) = delete;
    CleanupWindow& operator=(const CleanupWindow&) = delete;
};

// The line whose saved settings a second signal restores before ending the process; the port
// calls these when it has saved the settings and before it restores them itself.
void RememberLineSettings(int fd, const struct termios& saved);
void ForgetLineSettings();
