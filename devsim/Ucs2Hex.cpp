// UCS-2 hexadecimal names and hexadecimal data: the text forms of the device's AT commands.
#include "Ucs2Hex.h"

#include <cstdint>

namespace devsim {

namespace {

const char kHexDigits[] = "0123456789ABCDEF";
const uint32_t kReplacement = 0xFFFD;

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool ReadGroup(const std::string& hex, size_t at, uint32_t& unit) {
    unit = 0;
    for (size_t i = at; i < at + 4; ++i) {
        int v = HexValue(hex[i]);
        if (v < 0)
            return false;
        unit = unit * 16 + static_cast<uint32_t>(v);
    }
    return true;
}

void AppendUtf8(uint32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Reads one UTF-8 sequence at `at`; returns its length (at least 1) and the code point,
// or U+FFFD for a malformed or overlong sequence.
size_t ReadUtf8(const std::string& s, size_t at, uint32_t& cp) {
    unsigned char lead = static_cast<unsigned char>(s[at]);
    size_t len = lead < 0x80         ? 1
                 : (lead >> 5) == 6  ? 2
                 : (lead >> 4) == 14 ? 3
                 : (lead >> 3) == 30 ? 4
                                     : 0;
    if (len == 0 || at + len > s.size()) {
        cp = kReplacement;
        return 1;
    }
    static const unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    static const uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    cp = lead & kLeadMask[len];
    for (size_t i = 1; i < len; ++i) {
        unsigned char c = static_cast<unsigned char>(s[at + i]);
        if ((c & 0xC0) != 0x80) {
            cp = kReplacement;
            return 1;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < kMinimum[len] || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = kReplacement;
    return len;
}

void AppendHex16(uint32_t unit, std::string& out) {
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kHexDigits[(unit >> shift) & 0xF];
}

} // namespace

bool DecodeUcs2Hex(const std::string& hex, std::string& utf8) {
    utf8.clear();
    if (hex.size() % 4 != 0)
        return false;
    for (size_t at = 0; at < hex.size(); at += 4) {
        uint32_t unit;
        if (!ReadGroup(hex, at, unit) || unit == 0)
            return false;
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            return false;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            uint32_t low;
            at += 4;
            if (at >= hex.size() || !ReadGroup(hex, at, low) || low < 0xDC00 || low > 0xDFFF)
                return false;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(unit, utf8);
    }
    return true;
}

std::string EncodeUcs2Hex(const std::string& utf8) {
    std::string out;
    for (size_t at = 0; at < utf8.size();) {
        uint32_t cp;
        at += ReadUtf8(utf8, at, cp);
        if (cp < 0x10000) {
            AppendHex16(cp, out);
        } else {
            AppendHex16(0xD800 + ((cp - 0x10000) >> 10), out);
            AppendHex16(0xDC00 + ((cp - 0x10000) & 0x3FF), out);
        }
    }
    return out;
}

std::string BytesToHex(const std::string& bytes) {
    std::string out;
    for (unsigned char b : bytes) {
        out += kHexDigits[b >> 4];
        out += kHexDigits[b & 0xF];
    }
    return out;
}

bool HexToBytes(const std::string& hex, std::string& bytes) {
    bytes.clear();
    if (hex.size() % 2 != 0)
        return false;
    bytes.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = HexValue(hex[i]);
        int lo = HexValue(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        bytes += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

} // namespace devsim
