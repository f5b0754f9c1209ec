// SIGINT and SIGTERM turned into a readable descriptor for the serving loop, and a guard
// thread that ends the process when the loop has not stopped within a grace time of the
// first signal (a command that runs long, such as the size of a huge folder).
#pragma once

#include <chrono>

namespace devsim {

// Installs the handlers (SIGPIPE is ignored) and starts the guard, which calls
// _exit(exitStatus) once `grace` has passed after a signal. The descriptor that becomes
// readable at the first signal, or -1 when a pipe or the thread cannot be made.
int InstallStopSignals(std::chrono::milliseconds grace, int exitStatus);

} // namespace devsim
