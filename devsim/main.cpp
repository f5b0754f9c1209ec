// devsim: a simulated device on a pseudo-terminal. Prints the slave's path first, then
// serves the AT protocol until SIGINT or SIGTERM. Exit status 0 after a signal, 1 for a
// bad command line, 2 when the root folder, the log or the pseudo-terminal fails.
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "CommandLog.h"
#include "DeviceFileSystem.h"
#include "DeviceOptions.h"
#include "DeviceSession.h"
#include "PtyDevice.h"

namespace {

enum ExitStatus { EXIT_STOPPED = 0, EXIT_USAGE = 1, EXIT_FAILED = 2 };

int g_stopPipe[2] = {-1, -1};

void OnStopSignal(int) {
    char byte = 1;
    ssize_t ignored = ::write(g_stopPipe[1], &byte, 1);
    (void)ignored;
}

bool InstallStopSignals() {
    if (::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    return true;
}

int Fail(const std::string& message, int status) {
    std::fprintf(stderr, "devsim: %s\n", message.c_str());
    return status;
}

} // namespace

int main(int argc, char* argv[]) {
    devsim::DeviceOptions options;
    std::string error;
    if (!devsim::ParseDeviceOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "devsim: %s\n%s", error.c_str(), devsim::kDevsimUsage);
        return EXIT_USAGE;
    }
    if (options.help) {
        std::fputs(devsim::kDevsimUsage, stdout);
        return EXIT_STOPPED;
    }
    devsim::DeviceFileSystem fs;
    if (!fs.Open(options.root, error))
        return Fail(error, EXIT_FAILED);
    devsim::CommandLog log;
    if (!options.logPath.empty() && !log.Open(options.logPath, error))
        return Fail(error, EXIT_FAILED);
    if (!InstallStopSignals())
        return Fail("cannot set up the stop signals", EXIT_FAILED);
    devsim::PtyDevice line(options.baud, options.echo);
    if (!line.Open(error))
        return Fail(error, EXIT_FAILED);
    devsim::DeviceSession session(options, fs, log);
    session.Boot();
    std::printf("%s\n", line.SlavePath().c_str());
    std::fflush(stdout);
    if (!line.Serve(session, g_stopPipe[0]))
        return Fail("serial line failed", EXIT_FAILED);
    return EXIT_STOPPED;
}
