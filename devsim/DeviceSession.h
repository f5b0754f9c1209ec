// One device's command handling: takes each received command line and gives the reply
// lines and final result. Holds the session state that a reboot resets: current folder,
// DT status, the file open for writing and the running application.
#pragma once

#include <string>
#include <vector>

#include "AtCommandLine.h"
#include "CommandLog.h"
#include "DeviceFileSystem.h"
#include "DeviceOptions.h"

namespace devsim {

struct DeviceReply {
    std::vector<std::string> lines; // information lines, in order
    std::string final;              // "OK", "ERROR" or "+CME ERROR: n"
    bool silent = false;            // no answer at all
};

class DeviceSession {
public:
    // Largest data chunk of one write command, whatever packet size is reported.
    static constexpr size_t kMaxChunk = 65536;
    // Data bytes per "+EFSR" line of a file read.
    static constexpr size_t kReadLineBytes = 63;

    DeviceSession(DeviceOptions& options, DeviceFileSystem& fs, CommandLog& log);
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;
    ~DeviceSession();

    // Start-up of the device, also run by the reboot command.
    void Boot();
    // Handles one command line (without its CR); logs it first.
    DeviceReply Handle(const std::string& line);

private:
    DeviceReply Dispatch(const AtCommandLine& cmd);
    DeviceReply FolderCommand(const AtCommandLine& cmd);
    DeviceReply FileCommand(const AtCommandLine& cmd);
    DeviceReply WriteChunk(const AtCommandLine& cmd);
    DeviceReply ListFolder(const std::string& name);
    DeviceReply ListDrives() const;
    DeviceReply FreeSpace(long long driveCode) const;
    DeviceReply FolderSize(const std::string& name) const;
    DeviceReply DeleteFile(const std::string& name);
    DeviceReply ReadFile(const std::string& name) const;
    DeviceReply PacketSize() const;
    DeviceReply DtStatus(const AtCommandLine& cmd);
    DeviceReply Reboot();
    DeviceReply StopApplications();

    bool ResolveName(const std::string& hex, DevicePath& path) const;
    bool Undeletable(const DevicePath& path) const;
    bool Locked(const DevicePath& path) const;
    void CloseWriteFile();
    void AddUnsolicited(DeviceReply& reply);

    DeviceOptions& m_options;
    DeviceFileSystem& m_fs;
    CommandLog& m_log;
    DevicePath m_current;
    long long m_dtStatus = 0;
    int m_writeFd = -1;
    DevicePath m_writePath;
    bool m_appRunning = false;
    DevicePath m_runningApp;
    long m_replyCount = 0;
};

} // namespace devsim
