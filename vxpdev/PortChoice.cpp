// The serial ports for vxpdev: -b resolved ("auto" through the port enumeration, the other forms
// as the upload tool takes them) and the ports as a JSON document.
#include "PortChoice.h"

#include "Console.h"
#include "ExitStatus.h"
#include "TrellupUtility.h"

namespace {

const char kAuto[] = "auto";

const char kMsgBadPort[] = "-b %s: not a usable serial device name\n";

// null for an unknown USB id or string, so a reader can tell it from a real value.
nlohmann::json known(int id) {
    return id >= 0 ? nlohmann::json(id) : nlohmann::json(nullptr);
}
nlohmann::json known(const std::string& text) {
    return text.empty() ? nlohmann::json(nullptr) : nlohmann::json(text);
}

} // namespace

int ResolvePortOption(const std::string& option, std::string& port) {
    if (option != kAuto) {
        char path[TRELLUP_PATH_SIZE];
        if (!resolveDevicePath(option.c_str(), path)) {
            Message(kMsgBadPort, option.c_str());
            return kExitUsage;
        }
        port = path;
        return kExitDone;
    }
    std::string refusal;
    if (ChooseAutoPort(port, refusal))
        return kExitDone;
    Message("%s", refusal.c_str());
    return kExitDevice;
}

bool ListPorts(std::vector<SerialPortInfo>& ports) {
    if (ListSerialPorts(ports))
        return true;
    Message("%s", kMsgPortsUnlisted);
    return false;
}

nlohmann::json PortsDocument(const std::vector<SerialPortInfo>& ports) {
    nlohmann::json doc = {{"ports", nlohmann::json::array()}};
    for (const SerialPortInfo& port : ports)
        doc["ports"].push_back({{"path", port.path},
                                {"description", port.description},
                                {"usb", port.usb},
                                {"vendorId", known(port.vendorId)},
                                {"productId", known(port.productId)},
                                {"manufacturer", known(port.manufacturer)},
                                {"product", known(port.product)},
                                {"serial", known(port.serial)}});
    return doc;
}
