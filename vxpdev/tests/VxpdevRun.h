// vxpdev run as a process for the tests, from a given folder, with a deadline.
#pragma once

#include <memory>

#include "DeviceRig.h"

// Starts vxpdev with the arguments without waiting for it.
std::unique_ptr<ChildProcess> startVxpdev(const std::vector<std::string>& args,
                                          const fs::path& cwd);
// Runs vxpdev to its end (killed at a generous deadline).
ProcessResult runVxpdev(const std::vector<std::string>& args, const fs::path& cwd);
