// The devsim command line: options, their checks and the usage text.
#include "DeviceOptions.h"

#include <cerrno>
#include <cstdlib>
#include <getopt.h>
#include <limits>

namespace devsim {

const char* const kDevsimUsage =
    "usage: devsim --root DIR [options]\n"
    "A simulated device on a pseudo-terminal: prints the terminal's path (such as\n"
    "/dev/pts/5) as its first line, then answers the device's AT commands until\n"
    "SIGINT or SIGTERM. Its drives are the folders DIR/C, DIR/D, ... (C is created\n"
    "when DIR has none); nothing outside DIR is read or written.\n"
    "  --root DIR             folder that holds the drive folders (required)\n"
    "  --packet-size N|none   answer to the packet size query (default 1024);\n"
    "                         data chunks above a positive N are refused;\n"
    "                         'none' answers OK without a +EFSW line\n"
    "  --dt-status N          DT status reported after start and reboot (default 4)\n"
    "  --echo                 echo every command line before its reply\n"
    "  --fail PATTERN[=CODE][@N]\n"
    "                         answer ERROR (or +CME ERROR: CODE) to commands whose\n"
    "                         line contains PATTERN, without carrying them out;\n"
    "                         ^ and $ anchor PATTERN at the start or end of the\n"
    "                         line; @N hits only the N-th matching command;\n"
    "                         a trailing =digits is always CODE (end a PATTERN\n"
    "                         that itself ends in =digits with $)\n"
    "  --silent PATTERN[@N]   give no answer at all to matching commands\n"
    "  --undeletable NAME     refuse to delete files and folders named NAME\n"
    "  --unsolicited[=N]      add an unsolicited +EIND line to every N-th reply\n"
    "                         (default 3)\n"
    "  --lock-running         the application named in autostart.txt runs after\n"
    "                         start and reboot; its file cannot be deleted or\n"
    "                         rewritten until AT+[666]EXIT_ALL\n"
    "  --baud N               carry bytes no faster than an 8E1 line at N baud\n"
    "                         (11 bits per byte); default: no limit\n"
    "  --log FILE             append one time-stamped line per received command\n"
    "  -h, --help             show this text\n"
    "  --version              show the version\n"
    "Options that take patterns or names may be repeated.\n"
    "Exit status: 0 after SIGINT or SIGTERM (within one second, whatever the device\n"
    "is doing), 1 bad command line, 2 the root folder, the log file or the\n"
    "pseudo-terminal cannot be used.\n";

namespace {

enum OptionId {
    kRoot = 1000,
    kPacketSize,
    kDtStatus,
    kEcho,
    kFail,
    kSilent,
    kUndeletable,
    kUnsolicited,
    kLockRunning,
    kBaud,
    kLog,
    kVersion,
    kHelp = 'h'
};

const int kDefaultUnsolicitedEvery = 3;
const long long kMaxBaud = 100000000;
// The device's numbers are ints: as large as one, and as far below zero.
const long long kIntLimit = std::numeric_limits<int>::max();

const struct option kLongOptions[] = {{"root", required_argument, nullptr, kRoot},
                                      {"packet-size", required_argument, nullptr, kPacketSize},
                                      {"dt-status", required_argument, nullptr, kDtStatus},
                                      {"echo", no_argument, nullptr, kEcho},
                                      {"fail", required_argument, nullptr, kFail},
                                      {"silent", required_argument, nullptr, kSilent},
                                      {"undeletable", required_argument, nullptr, kUndeletable},
                                      {"unsolicited", optional_argument, nullptr, kUnsolicited},
                                      {"lock-running", no_argument, nullptr, kLockRunning},
                                      {"baud", required_argument, nullptr, kBaud},
                                      {"log", required_argument, nullptr, kLog},
                                      {"help", no_argument, nullptr, kHelp},
                                      {"version", no_argument, nullptr, kVersion},
                                      {nullptr, 0, nullptr, 0}};

bool ReadInteger(const char* text, long long low, long long high, long long& value) {
    errno = 0;
    char* end = nullptr;
    value = std::strtoll(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= low && value <= high;
}

bool BadNumber(const char* option, const char* text, std::string& error) {
    error = std::string("bad number for ") + option + ": '" + text + "'";
    return false;
}

bool AddRule(std::vector<FaultRule>& rules, const char* text, bool withCode, std::string& error) {
    FaultRule rule;
    if (!rule.Parse(text, withCode, error))
        return false;
    rules.push_back(rule);
    return true;
}

bool ApplyOption(int id, const char* arg, DeviceOptions& options, std::string& error) {
    long long number = 0;
    switch (id) {
    case kRoot: options.root = arg; return true;
    case kPacketSize:
        if (std::string(arg) == "none") {
            options.answerPacketSize = false;
            return true;
        }
        if (!ReadInteger(arg, -kIntLimit, kIntLimit, options.packetSize))
            return BadNumber("--packet-size", arg, error);
        options.answerPacketSize = true;
        return true;
    case kDtStatus:
        if (!ReadInteger(arg, -kIntLimit, kIntLimit, options.dtStatus))
            return BadNumber("--dt-status", arg, error);
        return true;
    case kEcho: options.echo = true; return true;
    case kFail: return AddRule(options.failRules, arg, true, error);
    case kSilent: return AddRule(options.silentRules, arg, false, error);
    case kUndeletable: options.undeletable.push_back(arg); return true;
    case kUnsolicited:
        options.unsolicitedEvery = kDefaultUnsolicitedEvery;
        if (arg == nullptr)
            return true;
        if (!ReadInteger(arg, 1, 1000000, number))
            return BadNumber("--unsolicited", arg, error);
        options.unsolicitedEvery = static_cast<long>(number);
        return true;
    case kLockRunning: options.lockRunning = true; return true;
    case kBaud:
        if (!ReadInteger(arg, 1, kMaxBaud, number))
            return BadNumber("--baud", arg, error);
        options.baud = static_cast<long>(number);
        return true;
    case kLog: options.logPath = arg; return true;
    case kHelp: options.help = true; return true;
    case kVersion: options.version = true; return true;
    default: error = "unknown option (see devsim --help)"; return false;
    }
}

} // namespace

bool ParseDeviceOptions(int argc, char* argv[], DeviceOptions& options, std::string& error) {
    optind = 1;
    opterr = 0;
    int id;
    while ((id = getopt_long(argc, argv, "h", kLongOptions, nullptr)) != -1) {
        if (id == '?' || id == ':') {
            error = std::string("unknown option or missing value: '") + argv[optind - 1] + "'";
            return false;
        }
        if (!ApplyOption(id, optarg, options, error))
            return false;
    }
    if (options.help || options.version)
        return true;
    if (optind < argc) {
        error = std::string("unexpected argument: '") + argv[optind] + "'";
        return false;
    }
    if (options.root.empty()) {
        error = "--root DIR is required";
        return false;
    }
    return true;
}

} // namespace devsim
