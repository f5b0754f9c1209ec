// ports: every serial port of this computer with what the system knows about it.
#include <vector>

#include "Commands.h"
#include "Console.h"
#include "ExitStatus.h"
#include "PortChoice.h"

namespace {

const char kPortsHelp[] = "list the serial ports with their USB ids and names";

// null for an unknown USB id or string, so a reader can tell it from a real value.
nlohmann::json known(int id) {
    return id >= 0 ? nlohmann::json(id) : nlohmann::json(nullptr);
}
nlohmann::json known(const std::string& text) {
    return text.empty() ? nlohmann::json(nullptr) : nlohmann::json(text);
}

int ports(bool json) {
    std::vector<SerialPortInfo> found;
    if (!ListPorts(found))
        return kExitDevice;
    if (!json)
        return WriteData(DescribePorts(found)) ? kExitDone : kExitDevice;
    nlohmann::json doc = {{"ports", nlohmann::json::array()}};
    for (const SerialPortInfo& port : found)
        doc["ports"].push_back({{"path", port.path},
                                {"description", port.description},
                                {"usb", port.usb},
                                {"vendorId", known(port.vendorId)},
                                {"productId", known(port.productId)},
                                {"manufacturer", known(port.manufacturer)},
                                {"product", known(port.product)},
                                {"serial", known(port.serial)}});
    return WriteJson(doc) ? kExitDone : kExitDevice;
}

} // namespace

void AddPortCommands(CLI::App& app, Invocation& run) {
    app.add_subcommand("ports", kPortsHelp)->callback([&run] {
        run.local = [&run] { return ports(run.json); };
    });
}
