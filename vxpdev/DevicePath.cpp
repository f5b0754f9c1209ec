// Conversions between typed UTF-8 paths and the wide device paths of the Connection.
#include "DevicePath.h"

namespace {

const wchar_t kSeparator = static_cast<wchar_t>(kDeviceSeparator[0]);
const wchar_t kTypedSeparator = L'/';
const wchar_t kReplacement = 0xFFFD;
const unsigned kHighSurrogateFirst = 0xD800;
const unsigned kLowSurrogateFirst = 0xDC00;
const unsigned kSurrogateEnd = 0xE000;
const unsigned kUnicodeEnd = 0x110000;

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Decodes the character starting at text[at] and advances at; U+FFFD for a malformed sequence
// (overlong forms, surrogates and values past U+10FFFF included).
unsigned decodeOne(const std::string& text, size_t& at) {
    unsigned char lead = static_cast<unsigned char>(text[at++]);
    int follow = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (lead < 0x80)
        return lead;
    if (follow == 0 || lead >= 0xF8)
        return kReplacement;
    unsigned value = lead & (0x3F >> follow);
    for (int i = 0; i < follow; ++i, ++at) {
        if (at >= text.size() || !isContinuation(static_cast<unsigned char>(text[at])))
            return kReplacement;
        value = value << 6 | (static_cast<unsigned char>(text[at]) & 0x3F);
    }
    static const unsigned kSmallest[] = {0, 0x80, 0x800, 0x10000};
    bool surrogate = value >= kHighSurrogateFirst && value < kSurrogateEnd;
    return value < kSmallest[follow] || surrogate || value >= kUnicodeEnd ? kReplacement : value;
}

void appendUtf8(std::string& out, unsigned value) {
    if (value < 0x80) {
        out += static_cast<char>(value);
        return;
    }
    int follow = value < 0x800 ? 1 : value < 0x10000 ? 2 : 3;
    static const unsigned char kLead[] = {0xC0, 0xE0, 0xF0}; // by the count that follows
    out += static_cast<char>(kLead[follow - 1] | value >> (6 * follow));
    for (int shift = 6 * (follow - 1); shift >= 0; shift -= 6)
        out += static_cast<char>(0x80 | ((value >> shift) & 0x3F));
}

} // namespace

CString DevicePath(const std::string& typed) {
    CString path;
    for (size_t at = 0; at < typed.size();) {
        unsigned value = decodeOne(typed, at);
        path += value == kTypedSeparator ? kSeparator : static_cast<wchar_t>(value);
    }
    while (path.GetDataLength() > 0 && path[path.GetDataLength() - 1] == kSeparator)
        path = path.Mid(0, path.GetDataLength() - 1);
    return path;
}

std::string Utf8(const CString& name) {
    std::string out;
    for (int i = 0; i < name.GetDataLength(); ++i) {
        unsigned value = static_cast<unsigned>(name[i]);
        bool high = value >= kHighSurrogateFirst && value < kLowSurrogateFirst;
        unsigned next = i + 1 < name.GetDataLength() ? static_cast<unsigned>(name[i + 1]) : 0;
        if (high && next >= kLowSurrogateFirst && next < kSurrogateEnd) {
            value = 0x10000 + ((value - kHighSurrogateFirst) << 10) + (next - kLowSurrogateFirst);
            ++i;
        } else if ((value >= kHighSurrogateFirst && value < kSurrogateEnd) ||
                   value >= kUnicodeEnd) {
            value = kReplacement;
        }
        appendUtf8(out, value);
    }
    return out;
}

bool SplitDevicePath(const CString& path, CString& parent, CString& name) {
    int at = path.ReverseFind(kSeparator);
    if (at < 0)
        return false;
    parent = path.Mid(0, at);
    name = path.Mid(at + 1, path.GetDataLength() - at - 1);
    return true;
}
