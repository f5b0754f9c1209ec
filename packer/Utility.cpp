// Packer helpers: message output, text conversion, byte order, hexadecimal text and output
// naming.
#include "Utility.h"

#include <cstdarg>
#include <cstdio>

int log_output(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = std::vfprintf(stdout, format, args);
    va_end(args);
    return written;
}

int StringToUnicode(uint8_t* out, const char* text, int max_chars) {
    int count = 0;
    for (; count < max_chars && text[count] != '\0'; ++count) {
        out[2 * count] = static_cast<uint8_t>(text[count]);
        out[2 * count + 1] = 0;
    }
    return 2 * count + 2;
}

void PutUint32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetUint32(const uint8_t* in) {
    return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}

std::string Hex(const uint8_t* bytes, size_t n) {
    std::string text;
    char pair[3];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

std::string ExtensionForAppType(const std::string& app_type) {
    if (app_type == "dll" || app_type == "dlc" || app_type == "dld")
        return "dll";
    if (app_type == "vxp" || app_type == "vpc" || app_type == "vpd")
        return "vxp";
    if (app_type == "vsm" || app_type == "vso")
        return app_type;
    return std::string();
}

namespace {
// Position of the '.' that starts the file name's extension, or npos.
std::string::size_type ExtensionDot(const std::string& path) {
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string::npos;
    return dot;
}
} // namespace

std::string ReplaceExtension(const std::string& path, const std::string& extension) {
    if (extension.empty())
        return path;
    const auto dot = ExtensionDot(path);
    if (dot == std::string::npos)
        return path + "." + extension;
    return path.substr(0, dot + 1) + extension;
}

std::string DateFilePath(const std::string& path) {
    const auto dot = ExtensionDot(path);
    if (dot == std::string::npos)
        return path + ".dbg";
    return path.substr(0, dot + 1) + "dbg";
}
