// Temporary folders, host files, encoded names and the devsim program as a process.
#include "DevsimProcess.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace devsim_test {

const int kStartDeadlineMs = 30000; // sanitizer builds on a loaded machine are slow

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "devsim-test-XXXXXX").string();
    if (::mkdtemp(&pattern[0]) != nullptr)
        m_path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void WriteHostFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::string ReadHostFile(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

bool HostExists(const std::string& path) {
    return std::filesystem::exists(std::filesystem::symlink_status(path));
}

std::string Ucs2(const std::string& ascii) {
    const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : ascii)
        hex += {'0', '0', kDigits[c >> 4], kDigits[c & 0xF]};
    return hex;
}

bool DevsimProcess::Start(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {DEVSIM_BIN};
    argv.insert(argv.end(), args.begin(), args.end());
    m_process = std::make_unique<ChildProcess>(argv);
    return m_process->started() && m_process->firstLine(m_firstLine, kStartDeadlineMs);
}

ProcessResult DevsimProcess::Stop(int signal, int milliseconds) {
    m_process->signal(signal);
    return m_process->finish(milliseconds);
}

} // namespace devsim_test
