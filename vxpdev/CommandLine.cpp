// The vxpdev driver: the command line through the argument library, its errors mapped to
// status 1, then the chosen subcommand, on the device when it needs one.
#include "CommandLine.h"
#include "Commands.h"
#include "Console.h"
#include "DeviceLink.h"
#include "ExitStatus.h"
#include "Interruption.h"
#include "ProjectVersion.h"

namespace {

const char kProgramName[] = "vxpdev";
const char kDescription[] =
    "See and manage the device on a serial line: ports, files, checks.\n"
    "Device paths are written as the device writes them (C:\\ZOV\\app.vxp); '/' works too.";
const char kFooter[] =
    "Exit status: 0 done; 1 bad command line, or an existing file kept (no -f);\n"
    "2 the port or the device failed; 3 not found, or verify found a difference;\n"
    "128 + N after signal N (SIGINT, SIGTERM, SIGHUP: the command in flight ends first).";
const char kPortHelp[] = "serial port: auto (the one USB serial port), a name under /dev/ "
                         "such as ttyUSB0, or a path beginning with '/'";
const char kTraceHelp[] = "show the serial trace on standard error";
const char kJsonHelp[] = "one JSON document on standard output (ports, info, ls, df, verify)";

void describe(CLI::App& app, Invocation& run) {
    app.footer(kFooter);
    app.set_version_flag("--version", PROJECT_VERSION_STRING);
    app.require_subcommand(1);
    // Global options may also follow the subcommand's name.
    app.fallthrough();
    app.add_option("-b,--port", run.port, kPortHelp);
    app.add_flag("--trace", run.trace, kTraceHelp);
    app.add_flag("--json", run.json, kJsonHelp);
    AddPortCommands(app, run);
    AddInfoCommands(app, run);
    AddFileCommands(app, run);
    AddTransferCommands(app, run);
    AddControlCommands(app, run);
}

} // namespace

int RunVxpdev(int argc, char** argv) {
    Invocation run;
    CLI::App app(kDescription, kProgramName);
    describe(app, run);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Help and version are successful ends; every other library code means a bad line.
        return app.exit(error) == 0 ? kExitDone : kExitUsage;
    }
    if (run.local)
        return run.local();
    DivertEngineOutput(run.trace);
    // A signal from here on ends the command in flight and then the run.
    InstallInterruptionHandlers();
    DeviceLink link;
    int status = link.Open(run.port);
    if (status == kExitDone)
        status = run.device(link);
    return PendingSignal() != 0 ? link.EndInterrupted() : status;
}
