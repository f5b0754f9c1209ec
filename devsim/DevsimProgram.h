// The devsim program's flow: command line, root folder, log, stop signals, then the
// pseudo-terminal served until a stop signal.
#pragma once

namespace devsim {

// Exit status 0 after a signal (or --help, --version), 1 for a bad command line, 2 when the
// root folder, the log or the pseudo-terminal fails.
int RunDevsim(int argc, char* argv[]);

} // namespace devsim
