// Fuzz target: arbitrary received command lines through the device's line parser, name
// codec and fault patterns (no file-system access).
#include <cstddef>
#include <cstdint>
#include <string>

#include "AtCommandLine.h"
#include "FaultRule.h"
#include "Ucs2Hex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    devsim::AtCommandLine cmd;
    if (devsim::ParseAtCommandLine(line, cmd)) {
        for (const devsim::AtArgument& arg : cmd.args) {
            std::string name;
            if (devsim::DecodeUcs2Hex(arg.text, name))
                devsim::EncodeUcs2Hex(name);
            std::string bytes;
            if (devsim::HexToBytes(arg.text, bytes))
                devsim::BytesToHex(bytes);
        }
    }
    devsim::EncodeUcs2Hex(line);
    devsim::FaultRule rule;
    std::string error;
    if (rule.Parse(line, true, error))
        rule.Hits("AT+EFSW=2,0,64,\"00\"");
    return 0;
}
