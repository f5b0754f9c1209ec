// Varnel's command line. The argument echo and "-h" (usage, then go on) are the program's
// historic surface; --help and --version are seen first so they never reach getopt, which
// would read "--version" as a bundle of short options.
#include "CommandLine.h"

#include <cstring>
#include <getopt.h>

#include "ProjectVersion.h"
#include "Utility.h"

namespace {

const size_t kMaxPathLength = 259;
constexpr char kShortUsage[] =
    "Please input command line\n -i input packed file path \n -h show help\n";
constexpr char kHelp[] =
    "usage: Varnel -i FILE [-c PARAM_INI] [-o OUTPUT] [--strict]\n"
    "Packs an application file: appends its signed tag block, gives it the extension of its\n"
    "application type and appends a date record to its date file (FILE.dbg).\n"
    "  -i FILE       the application file to pack, in place unless -o is given\n"
    "  -c PARAM_INI  the parameter file (default: param.ini beside the program, or in\n"
    "                the current folder when Varnel was started through PATH)\n"
    "  -o OUTPUT     write the packed file to OUTPUT, leaving FILE untouched; no renaming\n"
    "  --strict      every warning about the parameter file is an error\n"
    "  -h            print the short usage and go on\n"
    "  --help        print this text; --version prints the version\n"
    "Exit status: 0 packed, 1 command line refused, 2 nothing packed (the file is left\n"
    "as it was; the message says why).\n";
constexpr char kVersion[] = "Varnel " PROJECT_VERSION_STRING "\n";
constexpr char kNoArguments[] = "Invalid command arguments.\n";
constexpr char kNoTarget[] = "Invalid parameter, please specify pack target file path.\n";
constexpr char kTooLong[] = "Invalid parameter, the path of -%c is longer than %zu bytes.\n";

enum { OPTION_STRICT = 256 };
const struct option kLongOptions[] = {{"strict", no_argument, nullptr, OPTION_STRICT},
                                      {nullptr, 0, nullptr, 0}};

bool TakesValue(const char* argument) {
    return std::strcmp(argument, "-i") == 0 || std::strcmp(argument, "-c") == 0 ||
           std::strcmp(argument, "-o") == 0;
}

// The text to print for --help or --version among the options, or null.
const char* EarlyAnswer(int argc, char* argv[]) {
    for (int i = 1; i < argc && argv[i][0] == '-'; ++i) {
        if (std::strcmp(argv[i], "--help") == 0)
            return kHelp;
        if (std::strcmp(argv[i], "--version") == 0)
            return kVersion;
        if (TakesValue(argv[i]))
            ++i;
    }
    return nullptr;
}

bool StorePath(std::string& into, char option, const char* value) {
    if (std::strlen(value) > kMaxPathLength) {
        log_output(kTooLong, option, kMaxPathLength);
        return false;
    }
    into = value;
    return true;
}

} // namespace

CommandLine ParseArguments(int argc, char* argv[], PackOptions& options) {
    if (const char* answer = EarlyAnswer(argc, argv)) {
        log_output("%s", answer);
        return CommandLine::Done;
    }
    if (argc <= 1) {
        log_output("%s", kNoArguments);
        return CommandLine::Refused;
    }
    log_output("Parameter number = %d\n", argc);
    for (int i = 0; i < argc; ++i)
        log_output("Parameter %d value = %s\n", i, argv[i]);
    bool fits = true;
    optind = 1;
    for (int option; (option = getopt_long(argc, argv, "+i:hc:o:", kLongOptions, nullptr)) != -1;) {
        if (option == 'h')
            log_output("%s", kShortUsage);
        else if (option == 'i')
            fits = StorePath(options.target, 'i', optarg) && fits;
        else if (option == 'c')
            fits = StorePath(options.paramPath, 'c', optarg) && fits;
        else if (option == 'o')
            fits = StorePath(options.output, 'o', optarg) && fits;
        else if (option == OPTION_STRICT)
            options.strict = true;
    }
    if (!fits)
        return CommandLine::Refused;
    if (options.target.empty()) {
        log_output("%s", kNoTarget);
        return CommandLine::Refused;
    }
    return CommandLine::Pack;
}
