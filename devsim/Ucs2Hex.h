// Device names travel as UCS-2 text written in hexadecimal, four digits per character.
// These helpers turn that form into the UTF-8 names of the host folder and back.
#pragma once

#include <string>

namespace devsim {

// Decodes hexadecimal UCS-2 text (digits in either letter case) into UTF-8.
// False when the text is not a whole number of four-digit groups, holds a non-digit,
// a zero character or an unpaired surrogate; `utf8` is then unspecified.
bool DecodeUcs2Hex(const std::string& hex, std::string& utf8);

// Encodes UTF-8 text as hexadecimal UCS-2 with upper-case digits; characters beyond the
// 16-bit range become surrogate pairs, bytes that are not valid UTF-8 become U+FFFD.
std::string EncodeUcs2Hex(const std::string& utf8);

// Two upper-case hexadecimal digits per byte, and back (either letter case accepted).
std::string BytesToHex(const std::string& bytes);
bool HexToBytes(const std::string& hex, std::string& bytes);

} // namespace devsim
