// Prints the slave's path first, then serves the AT protocol until SIGINT or SIGTERM.
#include "DevsimProgram.h"

#include <cstdio>
#include <string>

#include "CommandLog.h"
#include "DeviceFileSystem.h"
#include "DeviceOptions.h"
#include "DeviceSession.h"
#include "ProjectVersion.h"
#include "PtyDevice.h"
#include "StopSignals.h"

namespace devsim {

namespace {

enum ExitStatus { EXIT_STOPPED = 0, EXIT_USAGE = 1, EXIT_FAILED = 2 };

// Leaves a margin below the one second within which a stop signal ends the program.
const std::chrono::milliseconds kStopGrace(500);

int Fail(const std::string& message, int status) {
    std::fprintf(stderr, "devsim: %s\n", message.c_str());
    return status;
}

} // namespace

int RunDevsim(int argc, char* argv[]) {
    DeviceOptions options;
    std::string error;
    if (!ParseDeviceOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "devsim: %s\n%s", error.c_str(), kDevsimUsage);
        return EXIT_USAGE;
    }
    if (options.help || options.version) {
        std::fputs(options.help ? kDevsimUsage : "devsim " PROJECT_VERSION_STRING "\n", stdout);
        return EXIT_STOPPED;
    }
    DeviceFileSystem fs;
    if (!fs.Open(options.root, error))
        return Fail(error, EXIT_FAILED);
    CommandLog log;
    if (!options.logPath.empty() && !log.Open(options.logPath, error))
        return Fail(error, EXIT_FAILED);
    int stopFd = InstallStopSignals(kStopGrace, EXIT_STOPPED);
    if (stopFd < 0)
        return Fail("cannot set up the stop signals", EXIT_FAILED);
    PtyDevice line(options.baud, options.echo);
    if (!line.Open(error))
        return Fail(error, EXIT_FAILED);
    DeviceSession session(options, fs, log);
    session.Boot();
    std::printf("%s\n", line.SlavePath().c_str());
    std::fflush(stdout);
    if (!line.Serve(session, stopFd))
        return Fail("serial line failed", EXIT_FAILED);
    return EXIT_STOPPED;
}

} // namespace devsim
