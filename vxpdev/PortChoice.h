// The port vxpdev opens, from its -b option.
#pragma once

#include <string>

// "auto": the one USB serial port present; otherwise a name under /dev/ or a path beginning
// with '/'. 0 with port set, or 2 after a message listing what was found.
int ResolvePortOption(const std::string& option, std::string& port);
