// Shared by the packer's and vxpinfo's tests: whole-file reads and writes, hexadecimal text,
// and a fixture that owns a temporary folder with a copy of Varnel to run as a process.
#pragma once

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DevsimProcess.h"

using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const std::string& path);
void WriteAll(const std::string& path, const Bytes& data);
// Bytes that differ from their neighbours, so a shifted or dropped byte shows.
Bytes SampleContent(size_t n);
// Values as little-endian words of width bytes: UCS-2 text, or the tags' 32-bit numbers.
Bytes Words(int width, std::initializer_list<uint32_t> values);

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override;

    std::string Path(const std::string& name) const { return m_folder.Sub(name); }
    void Param(const std::string& text) const { std::ofstream(Path("param.ini")) << text; }
    // Runs a shell command; answers its exit status as the shell's (128 + a signal's number)
    // and keeps its standard output and error in m_output.
    int Run(const std::string& command);
    // Runs the copy of Varnel in the folder, which reads the folder's param.ini.
    int RunVarnel(const std::string& args) { return Run("'" + Path("Varnel") + "' " + args); }

    devsim_test::TempFolder m_folder;
    std::string m_output;
};
