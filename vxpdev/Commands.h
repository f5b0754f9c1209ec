// The parsed vxpdev command line and the subcommand groups that fill it: each Add* function
// registers its subcommands with the argument library; the one the user chose leaves its action
// in the Invocation, which the driver then runs. Main thread only.
#pragma once

#include <functional>
#include <string>

#include <CLI/CLI.hpp>

class DeviceLink;

struct Invocation {
    std::string port = "auto";
    bool trace = false;
    bool json = false;
    std::function<int()> local;             // subcommands that need no device
    std::function<int(DeviceLink&)> device; // subcommands run on the opened device
};

void AddPortCommands(CLI::App& app, Invocation& run);     // ports
void AddInfoCommands(CLI::App& app, Invocation& run);     // info, df
void AddFileCommands(CLI::App& app, Invocation& run);     // ls, rm, mkdir, rmdir
void AddTransferCommands(CLI::App& app, Invocation& run); // cat, get, put, verify
void AddControlCommands(CLI::App& app, Invocation& run);  // reset, stop
