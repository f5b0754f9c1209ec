// The port vxpdev opens, from its -b option, and the ports of this computer as vxpdev shows them.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "PortList.h"

// "auto": the one USB serial port present; otherwise a name under /dev/ or a path beginning
// with '/'. 0 with port set; 2 after a message listing what was found; 1 for an empty or
// over-long name.
int ResolvePortOption(const std::string& option, std::string& port);

// The serial ports of this computer; false after a message when they cannot be listed.
bool ListPorts(std::vector<SerialPortInfo>& ports);

// The document of "ports --json": one object per port, an unknown USB id or string as null.
nlohmann::json PortsDocument(const std::vector<SerialPortInfo>& ports);
