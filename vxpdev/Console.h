// Where vxpdev's output goes. The upload engine prints its messages and the serial trace on
// standard output, which belongs to data here: once a device command starts, the engine's
// output moves to standard error (--trace) or is dropped, and data goes to the real standard
// output through DataOut(). Main thread only.
#pragma once

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

// Moves file descriptor 1 aside as described above. When the descriptors cannot be set up, data
// and engine output both stay on standard output.
void DivertEngineOutput(bool trace);

// The stream for data: the original standard output.
FILE* DataOut();

// Writes bytes to DataOut() and flushes; false when the write failed (a closed pipe included).
bool WriteData(const std::string& bytes);

// One JSON document on DataOut(), indented, with a line end; text that is not UTF-8 is written
// with U+FFFD in its place rather than failing.
bool WriteJson(const nlohmann::json& document);

// printf-style text (up to 1023 bytes) as a string.
std::string Formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A message on standard error, printf-style, with the program name in front.
void Message(const char* format, ...) __attribute__((format(printf, 1, 2)));
