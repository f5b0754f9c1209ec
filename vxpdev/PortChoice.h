// The port vxpdev opens, from its -b option.
#pragma once

#include <string>
#include <vector>

#include "PortList.h"

// "auto": the one USB serial port present; otherwise a name under /dev/ or a path beginning
// with '/'. 0 with port set; 2 after a message listing what was found; 1 for an empty or
// over-long name.
int ResolvePortOption(const std::string& option, std::string& port);

// The serial ports of this computer; false after a message when they cannot be listed.
bool ListPorts(std::vector<SerialPortInfo>& ports);
