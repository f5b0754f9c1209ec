// Small helpers of the packer: its message output, the UCS-2 conversion of parameter texts,
// little-endian writes, hexadecimal text and the naming of the packed file and its date file.
#pragma once

#include <cstdint>
#include <string>

// printf-style output to standard output; every packer message goes through here.
int log_output(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Each byte becomes one 16-bit code unit of the same value (Latin-1); at most max_chars bytes.
// Answers 2 x characters + 2: the length of the value with its zero terminator, which the
// caller's cleared area provides.
int StringToUnicode(uint8_t* out, const char* text, int max_chars);

void PutUint32(uint8_t* out, uint32_t value);
uint32_t GetUint32(const uint8_t* in);
// Two lower-case hexadecimal digits per byte, as digests and signatures are shown.
std::string Hex(const uint8_t* bytes, size_t n);

// The extension an application type gives the packed file, or empty when the name stays.
std::string ExtensionForAppType(const std::string& app_type);
// Replaces the text after the last '.' of the file name (not of the folders) with extension;
// a file name without '.' gets "." and the extension appended. Empty extension: unchanged.
std::string ReplaceExtension(const std::string& path, const std::string& extension);
// The date file: the path up to its file name's last '.', then "dbg"; path + ".dbg" without '.'.
std::string DateFilePath(const std::string& path);
