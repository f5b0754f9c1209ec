// Conversions between the wide CString names of the upload tool, the UCS-2 hexadecimal text
// (four hexadecimal digits per character) in which names travel in AT commands and replies,
// and narrow text for the C library and the log. Called on the main thread.
#pragma once

#include <string>

class CString;

// One byte per character. Only for names the tool made itself: every character must be below
// 128 (asserted as "str[i] < 0x80").
std::string UCS2toASCII(const CString& str);

// One byte per character, a character of 128 or more replaced by '?'. For names that come from
// the device (listings, drives) before they are logged or used as narrow text.
std::string UCS2toSafeASCII(const CString& str);

// Four lower-case hexadecimal digits per character ("%04x"); a character above FFFF is written
// as its two UTF-16 surrogates.
std::string EncodeUCS2txt(const CString& str);

// Value of one upper-case hexadecimal digit, -1 for any other character.
int HexDigitValue(char c);

// Decodes groups of four upper-case hexadecimal digits (a trailing partial group is ignored).
// Text that is not in that form comes back widened as it is.
CString DecodeUCS2txt(const std::string& text);
