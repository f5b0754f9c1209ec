// Varnel's command line: --help and --version before anything else, then -i, -h, -c, -o and
// --strict read with getopt, stopping at the first argument that is not an option.
#pragma once

#include <string>

struct PackOptions {
    std::string target;    // -i
    std::string paramPath; // -c, else param.ini beside the program
    std::string output;    // -o; empty: pack in place and rename by application type
    bool strict = false;   // --strict: every parameter warning is an error
};

enum class CommandLine { Pack, Done, Refused };

// Pack with options filled; Done after --help or --version (printed); Refused (message
// printed) without arguments, without -i or with a path over 259 bytes.
CommandLine ParseArguments(int argc, char* argv[], PackOptions& options);
