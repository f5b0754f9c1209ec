// Files on this computer for get, put and verify: read whole, written whole through a
// temporary file beside the target so that no half-written file is ever left behind.
#pragma once

#include <string>

// False when path is not a readable regular file.
bool ReadPcFile(const std::string& path, std::string& bytes);
// Replaces or creates path with bytes; false (and nothing changed) when any step failed.
bool WritePcFileWhole(const std::string& path, const std::string& bytes);
// Whether anything (file, folder, device node) exists at path.
bool PcPathExists(const std::string& path);
// The last part of a path ("app.vxp" of "build/app.vxp").
std::string PcBaseName(const std::string& path);
