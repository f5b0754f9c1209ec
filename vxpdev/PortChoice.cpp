// -b for vxpdev: "auto" through the port enumeration, the other forms as the upload tool
// takes them.
#include "PortChoice.h"

#include "Console.h"
#include "ExitStatus.h"

namespace {

const char kAuto[] = "auto";
const char kDevicePrefix[] = "/dev/";

const char kMsgListFailed[] = "the serial ports cannot be listed\n";
const char kMsgNoSingleUsb[] = "-b auto needs exactly one USB serial port; found %zu port(s)%s\n%s";

} // namespace

int ResolvePortOption(const std::string& option, std::string& port) {
    if (option != kAuto) {
        // SEAM: the upload tool's shared -b resolver replaces these two lines once it lands.
        port = option.compare(0, 1, "/") == 0 ? option : kDevicePrefix + option;
        return kExitDone;
    }
    std::vector<SerialPortInfo> ports;
    if (!ListPorts(ports))
        return kExitDevice;
    if (ChooseUsbPort(ports, port))
        return kExitDone;
    Message(kMsgNoSingleUsb, ports.size(), ports.empty() ? "" : ":", DescribePorts(ports).c_str());
    return kExitDevice;
}

bool ListPorts(std::vector<SerialPortInfo>& ports) {
    if (ListSerialPorts(ports))
        return true;
    Message(kMsgListFailed);
    return false;
}
