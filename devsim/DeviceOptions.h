// Settings of one simulated device, as given on the devsim command line.
#pragma once

#include <string>
#include <vector>

#include "FaultRule.h"

namespace devsim {

struct DeviceOptions {
    std::string root;
    bool answerPacketSize = true; // false: the packet size query gets no "+EFSW" line
    long long packetSize = 1024;
    bool echo = false;
    long long dtStatus = 4;
    std::vector<FaultRule> failRules;
    std::vector<FaultRule> silentRules;
    std::vector<std::string> undeletable;
    long unsolicitedEvery = 0; // 0: never
    long baud = 0;             // 0: no line-rate limit
    std::string logPath;
    bool lockRunning = false;
    bool help = false;
    bool version = false;
};

extern const char* const kDevsimUsage;

// Parses the devsim command line. False with a message in `error` for an unknown option,
// a bad number or a missing --root.
bool ParseDeviceOptions(int argc, char* argv[], DeviceOptions& options, std::string& error);

} // namespace devsim
