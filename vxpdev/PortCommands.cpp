// ports: every serial port of this computer with what the system knows about it.
#include <vector>

#include "Commands.h"
#include "Console.h"
#include "ExitStatus.h"
#include "PortChoice.h"

namespace {

const char kPortsHelp[] = "list the serial ports with their USB ids and names";

int ports(bool json) {
    std::vector<SerialPortInfo> found;
    if (!ListPorts(found))
        return kExitDevice;
    if (!json)
        return WriteData(DescribePorts(found)) ? kExitDone : kExitDevice;
    return WriteJson(PortsDocument(found)) ? kExitDone : kExitDevice;
}

} // namespace

void AddPortCommands(CLI::App& app, Invocation& run) {
    app.add_subcommand("ports", kPortsHelp)->callback([&run] {
        run.local = [&run] { return ports(run.json); };
    });
}
