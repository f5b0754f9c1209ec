// Fuzz target: arbitrary text through the UCS-2 decoder and back through the narrow conversions.
#include <cstddef>
#include <cstdint>
#include <string>

#include "UCS2Text.h"
#include "Win2Mac.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    CString name = DecodeUCS2txt(text);
    UCS2toSafeASCII(name);
    EncodeUCS2txt(name);
    return 0;
}
