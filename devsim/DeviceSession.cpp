// Command table of the device and the handlers behind it. A command either succeeds as a
// whole and answers "OK", or changes nothing and answers "ERROR".
#include "DeviceSession.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <sstream>
#include <unistd.h>

#include "Ucs2Hex.h"

namespace devsim {

namespace {

const char kOk[] = "OK";
const char kError[] = "ERROR";
const char kCmeError[] = "+CME ERROR: ";
const char kUnsolicitedLine[] = "+EIND: 1";
const char kStartFile[] = "autostart.txt";
const char kAppKey[] = "App";
const long long kMaxReportedNumber = std::numeric_limits<int>::max();

enum FolderMode { kCreateFolder = 0, kRemoveFolder = 1, kEnterFolder = 2, kRootFolder = 3 };
enum FileMode { kOpenFile = 0, kCloseFile = 1, kWriteData = 2 };
enum DtRange { kDtFirst = 3, kDtLast = 7 };

DeviceReply Final(const char* text) {
    DeviceReply reply;
    reply.final = text;
    return reply;
}

DeviceReply Ok() {
    return Final(kOk);
}
DeviceReply Error() {
    return Final(kError);
}

DeviceReply OkWith(std::vector<std::string> lines) {
    DeviceReply reply = Ok();
    reply.lines = std::move(lines);
    return reply;
}

long long Reported(uint64_t value) {
    return static_cast<long long>(std::min<uint64_t>(value, kMaxReportedNumber));
}

bool OneText(const AtCommandLine& cmd) {
    return cmd.args.size() == 1 && cmd.IsText(0);
}
bool OneNumber(const AtCommandLine& cmd) {
    return cmd.args.size() == 1 && cmd.IsNumber(0);
}

std::string Trim(const std::string& s) {
    size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// The value of the first "App=" line of a start file, or "".
std::string StartFileApp(const std::string& text) {
    const std::string key = std::string(kAppKey) + '=';
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.compare(0, key.size(), key) == 0)
            return Trim(line.substr(key.size()));
    }
    return std::string();
}

} // namespace

DeviceSession::DeviceSession(DeviceOptions& options, DeviceFileSystem& fs, CommandLog& log)
    : m_options(options), m_fs(fs), m_log(log) {}

DeviceSession::~DeviceSession() {
    CloseWriteFile();
}

void DeviceSession::Boot() {
    CloseWriteFile();
    std::vector<char> drives = m_fs.Drives();
    m_current = DevicePath();
    if (!drives.empty())
        m_current.drive = drives.front();
    m_dtStatus = m_options.dtStatus;
    m_appRunning = false;
    for (char drive : drives) {
        DevicePath startFile{drive, {kStartFile}};
        std::string text;
        if (!m_fs.ReadFile(startFile, text))
            continue;
        std::string app = StartFileApp(text);
        m_appRunning =
            !app.empty() && m_fs.Resolve(app, startFile, m_runningApp) && m_fs.IsFile(m_runningApp);
        break;
    }
    m_log.Event(m_appRunning ? "boot: running " + m_runningApp.Text() : "boot: no application");
}

DeviceReply DeviceSession::Handle(const std::string& line) {
    m_log.Command(line);
    for (FaultRule& rule : m_options.silentRules) {
        if (rule.Hits(line)) {
            m_log.Event("no reply (silent)");
            DeviceReply reply;
            reply.silent = true;
            return reply;
        }
    }
    DeviceReply reply;
    bool failed = false;
    // Every rule counts the line, so each one's "@N" means the N-th line it matches.
    for (FaultRule& rule : m_options.failRules) {
        if (rule.Hits(line) && !failed) {
            failed = true;
            reply =
                rule.HasCode() ? Final((kCmeError + std::to_string(rule.Code())).c_str()) : Error();
        }
    }
    if (!failed) {
        AtCommandLine cmd;
        reply = ParseAtCommandLine(line, cmd) ? Dispatch(cmd) : Error();
    }
    AddUnsolicited(reply);
    return reply;
}

DeviceReply DeviceSession::Dispatch(const AtCommandLine& cmd) {
    const std::string& name = cmd.name;
    bool action = cmd.form == AtCommandLine::kAction;
    bool set = cmd.form == AtCommandLine::kSet;
    if (name.empty() && action)
        return Ok();
    if (name == "+CMEE" && OneNumber(cmd))
        return Ok();
    if (name == "+ESWM" && set && !cmd.args.empty() && cmd.args.size() <= 2)
        return Ok();
    if (name == "+CEER" && action)
        return OkWith({"+CEER: 0,\"No error\""});
    if (name == "+[666]EXIT_ALL" && action)
        return StopApplications();
    if (name == "+[666]REBOOT" && action)
        return Reboot();
    if (name == "+ESUO")
        return DtStatus(cmd);
    if (name == "+EFSF" && set)
        return FolderCommand(cmd);
    if (name == "+EFSC" && cmd.form == AtCommandLine::kTest)
        return Ok();
    if (name == "+EFSC" && OneText(cmd))
        return FolderSize(cmd.args[0].text);
    if (name == "+EFSL" && action)
        return ListDrives();
    if (name == "+EFSL" && OneText(cmd))
        return ListFolder(cmd.args[0].text);
    if (name == "+EFS" && OneNumber(cmd))
        return FreeSpace(cmd.args[0].number);
    if (name == "+EFSD" && OneText(cmd))
        return DeleteFile(cmd.args[0].text);
    if (name == "+EFSR" && OneText(cmd))
        return ReadFile(cmd.args[0].text);
    if (name == "+EFSW" && cmd.form == AtCommandLine::kQuery)
        return PacketSize();
    if (name == "+EFSW" && set)
        return FileCommand(cmd);
    return Error();
}

bool DeviceSession::ResolveName(const std::string& hex, DevicePath& path) const {
    std::string name;
    return DecodeUcs2Hex(hex, name) && m_fs.Resolve(name, m_current, path);
}

bool DeviceSession::Undeletable(const DevicePath& path) const {
    if (path.parts.empty())
        return true;
    const std::vector<std::string>& names = m_options.undeletable;
    return std::find(names.begin(), names.end(), path.parts.back()) != names.end();
}

bool DeviceSession::Locked(const DevicePath& path) const {
    return m_options.lockRunning && m_appRunning && path == m_runningApp;
}

DeviceReply DeviceSession::FolderCommand(const AtCommandLine& cmd) {
    if (!cmd.IsNumber(0))
        return Error();
    long long mode = cmd.args[0].number;
    if (mode == kRootFolder) {
        if (cmd.args.size() != 1)
            return Error();
        m_current.parts.clear();
        return Ok();
    }
    DevicePath path;
    if (cmd.args.size() != 2 || !cmd.IsText(1) || !ResolveName(cmd.args[1].text, path))
        return Error();
    switch (mode) {
    case kCreateFolder: return m_fs.MakeFolder(path) ? Ok() : Error();
    case kRemoveFolder:
        // An empty name means the current folder elsewhere; it never removes it.
        if (cmd.args[1].text.empty() || Undeletable(path) || !m_fs.RemoveFolder(path))
            return Error();
        if (m_current == path)
            m_current.parts.clear();
        return Ok();
    case kEnterFolder:
        if (!m_fs.IsFolder(path))
            return Error();
        m_current = path;
        return Ok();
    default: return Error();
    }
}

DeviceReply DeviceSession::ListFolder(const std::string& name) {
    DevicePath path;
    std::vector<DirEntry> entries;
    if (!ResolveName(name, path) || !m_fs.List(path, entries))
        return Error();
    std::vector<std::string> lines;
    for (const DirEntry& entry : entries) {
        lines.push_back("+EFSL: \"" + EncodeUcs2Hex(entry.name) + "\"," +
                        std::to_string(Reported(entry.size)) + "," + (entry.folder ? "1" : "0"));
    }
    return OkWith(lines);
}

DeviceReply DeviceSession::ListDrives() const {
    std::vector<std::string> lines;
    for (char drive : m_fs.Drives())
        lines.push_back("+EFSL: \"" + EncodeUcs2Hex(std::string{drive, ':'}) + "\"");
    return OkWith(lines);
}

DeviceReply DeviceSession::FreeSpace(long long driveCode) const {
    uint64_t bytes = 0;
    if (driveCode < 'A' || driveCode > 'Z' || !m_fs.FreeSpace(static_cast<char>(driveCode), bytes))
        return Error();
    return OkWith({"+EFS: " + std::to_string(Reported(bytes))});
}

DeviceReply DeviceSession::FolderSize(const std::string& name) const {
    DevicePath path;
    uint64_t bytes = 0;
    uint64_t entries = 0;
    if (!ResolveName(name, path) || !m_fs.FolderSize(path, bytes, entries))
        return Error();
    return OkWith(
        {"+EFSC: " + std::to_string(Reported(bytes)) + "," + std::to_string(Reported(entries))});
}

DeviceReply DeviceSession::DeleteFile(const std::string& name) {
    DevicePath path;
    if (!ResolveName(name, path) || Undeletable(path) || Locked(path))
        return Error();
    if (m_writeFd >= 0 && path == m_writePath)
        CloseWriteFile();
    return m_fs.RemoveFile(path) ? Ok() : Error();
}

// "+EFSR: <line index>,<1 on the last line>,<byte count>,"<hex data>"", at least one line.
DeviceReply DeviceSession::ReadFile(const std::string& name) const {
    DevicePath path;
    std::string content;
    if (!ResolveName(name, path) || !m_fs.ReadFile(path, content))
        return Error();
    std::vector<std::string> lines;
    size_t index = 0;
    size_t at = 0;
    do {
        size_t count = std::min(kReadLineBytes, content.size() - at);
        bool last = at + count == content.size();
        lines.push_back("+EFSR: " + std::to_string(index) + "," + (last ? "1" : "0") + "," +
                        std::to_string(count) + ",\"" + BytesToHex(content.substr(at, count)) +
                        "\"");
        at += count;
        ++index;
    } while (at < content.size());
    return OkWith(lines);
}

DeviceReply DeviceSession::PacketSize() const {
    if (!m_options.answerPacketSize)
        return Ok();
    return OkWith({"+EFSW: " + std::to_string(m_options.packetSize)});
}

DeviceReply DeviceSession::FileCommand(const AtCommandLine& cmd) {
    if (!cmd.IsNumber(0))
        return Error();
    long long mode = cmd.args[0].number;
    if (mode == kWriteData)
        return WriteChunk(cmd);
    DevicePath path;
    if (cmd.args.size() != 2 || !cmd.IsText(1) || !ResolveName(cmd.args[1].text, path))
        return Error();
    if (mode == kOpenFile) {
        if (Locked(path))
            return Error();
        CloseWriteFile();
        m_writeFd = m_fs.CreateFile(path);
        m_writePath = path;
        return m_writeFd >= 0 ? Ok() : Error();
    }
    if (mode == kCloseFile) {
        if (m_writeFd < 0 || !(path == m_writePath))
            return Error();
        CloseWriteFile();
        return Ok();
    }
    return Error();
}

// "AT+EFSW=2,<final>,<count>,"<hex>"": appends count bytes to the open file.
DeviceReply DeviceSession::WriteChunk(const AtCommandLine& cmd) {
    if (m_writeFd < 0 || cmd.args.size() != 4 || !cmd.IsNumber(1) || !cmd.IsNumber(2) ||
        !cmd.IsText(3))
        return Error();
    long long final = cmd.args[1].number;
    long long count = cmd.args[2].number;
    size_t limit = kMaxChunk;
    if (m_options.answerPacketSize && m_options.packetSize > 0)
        limit = std::min<size_t>(limit, static_cast<size_t>(m_options.packetSize));
    std::string bytes;
    if ((final != 0 && final != 1) || count < 0 || static_cast<size_t>(count) > limit ||
        !HexToBytes(cmd.args[3].text, bytes) || bytes.size() != static_cast<size_t>(count))
        return Error();
    // A regular file takes a write whole or fails (a full disk): then the chunk is refused.
    ssize_t put = ::write(m_writeFd, bytes.data(), bytes.size());
    return put == static_cast<ssize_t>(bytes.size()) ? Ok() : Error();
}

DeviceReply DeviceSession::DtStatus(const AtCommandLine& cmd) {
    if (cmd.form == AtCommandLine::kQuery)
        return OkWith({"+ESUO: " + std::to_string(m_dtStatus) + ",0"});
    if (!OneNumber(cmd) || cmd.args[0].number < kDtFirst || cmd.args[0].number > kDtLast)
        return Error();
    m_dtStatus = cmd.args[0].number;
    return Ok();
}

DeviceReply DeviceSession::Reboot() {
    m_log.Event("reboot");
    Boot();
    return Ok();
}

DeviceReply DeviceSession::StopApplications() {
    if (m_appRunning)
        m_log.Event("stopped " + m_runningApp.Text());
    m_appRunning = false;
    return Ok();
}

void DeviceSession::CloseWriteFile() {
    if (m_writeFd >= 0)
        ::close(m_writeFd);
    m_writeFd = -1;
}

// Every N-th reply carries an extra line: after its first information line, or before the
// final result when it has none.
void DeviceSession::AddUnsolicited(DeviceReply& reply) {
    if (m_options.unsolicitedEvery <= 0 || reply.silent)
        return;
    if (++m_replyCount % m_options.unsolicitedEvery != 0)
        return;
    auto at = reply.lines.empty() ? reply.lines.end() : reply.lines.begin() + 1;
    reply.lines.insert(at, kUnsolicitedLine);
}

} // namespace devsim
