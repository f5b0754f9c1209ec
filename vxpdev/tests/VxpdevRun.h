// vxpdev run as a process for the tests, from a given folder, with a deadline.
#pragma once

#include "DeviceRig.h"

ProcessResult runVxpdev(const std::vector<std::string>& args, const fs::path& cwd);
