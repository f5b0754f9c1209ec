// -b for vxpdev: "auto" through the port enumeration, the other forms as the upload tool
// takes them.
#include "PortChoice.h"

#include "Console.h"
#include "ExitStatus.h"
#include "TrellupUtility.h"

namespace {

const char kAuto[] = "auto";

const char kMsgBadPort[] = "-b %s: not a usable serial device name\n";
const char kMsgListFailed[] = "the serial ports cannot be listed\n";
const char kMsgNoSingleUsb[] = "-b auto needs exactly one USB serial port; found %zu port(s)%s\n%s";

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
