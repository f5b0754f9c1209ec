// The end-to-end rig: temporary folders, devsim started and stopped as a process, Trellup run
// through a link in its own work folder, and the command log devsim writes.
#include "DeviceRig.h"

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <sstream>

const int kRunDeadlineMs = 240000; // sanitizer builds on a loaded machine are slow
const char kDevFolder[] = "/dev/";
const size_t kStampLength = 24;

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    devsim_test::WriteHostFile(path, bytes);
}

std::vector<std::string> entries(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string patternBytes(size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(n, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

std::string startFileText(const std::string& folder, const std::string& name) {
    return "[autostart]\r\nApp=" + folder + "\\" + name + "\r\n";
}

DeviceRig::DeviceRig() {
    fs::create_directories(m_root / "C");
    fs::create_directories(m_work);
    fs::create_directories(m_temp);
    fs::create_directories(m_home / "Documents");
    fs::create_symlink(TRELLUP_BIN, m_work / "Trellup");
}

DeviceRig::~DeviceRig() {
    stop();
}

bool DeviceRig::start(const std::vector<std::string>& options) {
    std::vector<std::string> args = {"--root", m_root.string(), "--log", m_log.string()};
    args.insert(args.end(), options.begin(), options.end());
    m_devsim = std::make_unique<devsim_test::DevsimProcess>();
    if (!m_devsim->Start(args) || m_devsim->FirstLine().rfind(kDevFolder, 0) != 0)
        return false;
    m_port = m_devsim->FirstLine().substr(sizeof kDevFolder - 1);
    return true;
}

void DeviceRig::stop(int signal) {
    if (m_devsim)
        m_devsim->Stop(signal);
    m_devsim.reset();
}

fs::path DeviceRig::drive(char letter) {
    fs::path folder = m_root / std::string(1, letter);
    fs::create_directories(folder);
    return folder;
}

std::unique_ptr<ChildProcess> DeviceRig::startTrellup(const std::vector<std::string>& args) const {
    std::vector<std::string> argv = {OWN_HOME_BIN, m_home.string(), "/usr/bin/env",
                                     "TMPDIR=" + m_temp.string(), (m_work / "Trellup").string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return std::make_unique<ChildProcess>(argv, m_work.string());
}

ProcessResult DeviceRig::trellup(const std::vector<std::string>& args) {
    return startTrellup(args)->finish(kRunDeadlineMs);
}

ProcessResult DeviceRig::upload(const std::vector<std::string>& args) {
    return startUpload(args)->finish(kRunDeadlineMs);
}

std::unique_ptr<ChildProcess> DeviceRig::startUpload(const std::vector<std::string>& args,
                                                     const std::string& port) {
    std::vector<std::string> withPort = {"-b", port.empty() ? m_port : port};
    withPort.insert(withPort.end(), args.begin(), args.end());
    return startTrellup(withPort);
}

std::vector<std::string> DeviceRig::commands() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadHostFile(m_log));
    std::string line;
    // "<time> <command>", or "<time> * <event>" for what the device did on its own; the time
    // in UTC to the millisecond, as "2026-12-08T10:30:00.123Z".
    while (std::getline(in, line)) {
        if (line.find(' ') == kStampLength)
            lines.push_back(line.substr(kStampLength + 1));
    }
    return lines;
}

size_t DeviceRig::count(const std::string& prefix) const {
    size_t n = 0;
    for (const std::string& command : commands())
        n += command.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
}

bool DeviceRig::awaitCommand(const std::string& prefix, int milliseconds) const {
    // devsim flushes each log line as it takes the command.
    return Eventually([&] { return count(prefix) > 0; }, std::chrono::milliseconds(milliseconds));
}

bool DeviceRig::logHolds(const std::string& text) const {
    if (!fs::exists(m_home / ".replaced"))
        return true;
    std::string log;
    fs::path folder = m_home / "Documents" / "Trellup_Logs";
    for (const std::string& name : entries(folder)) // named by the time they were opened
        log += ReadHostFile(folder / name);
    return log.find(text) != std::string::npos;
}
