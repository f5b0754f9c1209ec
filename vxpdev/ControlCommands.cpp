// reset and stop: the device rebooted, or all its applications stopped.
#include "Commands.h"
#include "Console.h"
#include "DeviceLink.h"
#include "ExitStatus.h"

namespace {

const char kResetHelp[] = "reboot the device";
const char kStopHelp[] = "stop all applications on the device";
const char kMsgResetFailed[] = "the device refused to reboot\n";
const char kMsgStopFailed[] = "the device refused to stop its applications\n";

int reset(DeviceLink& link) {
    if (link.Conn().TargetReset())
        return kExitDone;
    Message(kMsgResetFailed);
    return kExitDevice;
}

int stop(DeviceLink& link) {
    if (!link.Conn().stopAllApp()) // true means it failed
        return kExitDone;
    Message(kMsgStopFailed);
    return kExitDevice;
}

} // namespace

void AddControlCommands(CLI::App& app, Invocation& run) {
    app.add_subcommand("reset", kResetHelp)->callback([&run] { run.device = reset; });
    app.add_subcommand("stop", kStopHelp)->callback([&run] { run.device = stop; });
}
