// The exit statuses every vxpdev subcommand ends with.
#pragma once

enum ExitStatus {
    kExitDone = 0,
    kExitUsage = 1,    // bad command line, or a refusal to overwrite without -f
    kExitDevice = 2,   // the port or the device failed
    kExitNotFound = 3, // not found, or verify found a difference
};
