// UCS-2 hexadecimal name codecs used when names travel to and from the device in AT commands.
// Called on the main thread.
#include "UCS2Text.h"

#include <cassert>
#include <cstdio>

#include "Win2Mac.h"

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

namespace {

const char kBadDigit[] = "error";
const unsigned kLastUcs2 = 0xFFFF;
const unsigned kLastCharacter = 0x10FFFF;
const unsigned kReplacement = 0xFFFD;
const unsigned kFirstSupplementary = 0x10000;
const unsigned kHighSurrogate = 0xD800;
const unsigned kLowSurrogate = 0xDC00;
const unsigned kSurrogateBits = 10;
const unsigned kLowSurrogateMask = 0x3FF;
const size_t kDigitsPerChar = 4;

// Value of one upper-case hexadecimal digit; throws kBadDigit for anything else.
int HexToNum(char c) {
    int value = HexDigitValue(c);
    if (value < 0)
        throw kBadDigit;
    return value;
}

void appendGroup(std::string& out, unsigned value) {
    char group[16];
    std::snprintf(group, sizeof group, "%04x", value);
    out += group;
}

wchar_t decodeGroup(const std::string& text, size_t at) {
    int d0 = HexToNum(text[at]);
    int d1 = HexToNum(text[at + 1]);
    int d2 = HexToNum(text[at + 2]);
    int d3 = HexToNum(text[at + 3]);
    return static_cast<wchar_t>((d0 * 16 + d1) * 256 + (d2 * 16 + d3));
}

} // namespace

std::string UCS2toASCII(const CString& str) {
    std::string out;
    for (int i = 0; i < str.GetDataLength(); ++i) {
        assert(str[i] < 0x80);
        out += static_cast<char>(str[i]);
    }
    return out;
}

std::string UCS2toSafeASCII(const CString& str) {
    std::string out;
    for (int i = 0; i < str.GetDataLength(); ++i) {
        unsigned value = static_cast<unsigned>(str[i]);
        out += value < 0x80 ? static_cast<char>(value) : '?';
    }
    return out;
}

std::string EncodeUCS2txt(const CString& str) {
    std::string out;
    for (int i = 0; i < str.GetDataLength(); ++i) {
        unsigned value = static_cast<unsigned>(str[i]);
        if (value > kLastCharacter)
            value = kReplacement; // no character at all: keep the four-digit framing
        if (value <= kLastUcs2) {
            appendGroup(out, value);
            continue;
        }
        // UCS-2 has no room for it: send the UTF-16 pair so every character stays four digits.
        unsigned offset = value - kFirstSupplementary;
        appendGroup(out, kHighSurrogate + ((offset >> kSurrogateBits) & kLowSurrogateMask));
        appendGroup(out, kLowSurrogate + (offset & kLowSurrogateMask));
    }
    return out;
}

CString DecodeUCS2txt(const std::string& text) {
    CString result;
    if (text.size() < kDigitsPerChar)
        return result;
    try {
        for (size_t at = 0; at + kDigitsPerChar <= text.size(); at += kDigitsPerChar)
            result += decodeGroup(text, at);
    } catch (const char*) {
        result = text.c_str();
    }
    return result;
}
