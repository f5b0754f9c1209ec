// Device paths as users type them and as the device names them: UTF-8 text with '/' or '\' as
// the separator on the command line, wide text with '\' towards the Connection; and the way back
// to UTF-8 for names the device reports.
#pragma once

#include <string>

#include "Win2Mac.h"

// The separator of device paths, as the device writes it.
const char kDeviceSeparator[] = "\\";

// The path typed by the user as the device writes it: UTF-8 decoded (a malformed byte becomes
// U+FFFD), '/' turned into '\', trailing separators dropped.
CString DevicePath(const std::string& typed);

// UTF-8 text of a device name; a UTF-16 surrogate pair becomes one character, a lone surrogate
// or a value outside Unicode becomes U+FFFD.
std::string Utf8(const CString& name);

// Splits at the last separator. False for a path without one (a drive such as "C:").
bool SplitDevicePath(const CString& path, CString& parent, CString& name);
