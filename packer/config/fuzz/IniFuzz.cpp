// Feeds arbitrary bytes to the param.ini reader as a file and asks every kind of look-up.
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "IniParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/ini_fuzz_" + std::to_string(getpid()) + ".ini";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    IniParser parser(path);
    for (const char* key : {"AppName", "MemorySize", "Background", ""}) {
        parser.GetString("Param", key, "");
        parser.GetBoolean("Param", key, false);
        try {
            parser.GetInteger("Param", key, 7);
        } catch (const std::runtime_error&) {
        }
    }
    return 0;
}
