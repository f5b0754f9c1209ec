// Opening the device for vxpdev and turning the Connection's listings and failures into entries
// and exit statuses.
#include "DeviceLink.h"

#include "Console.h"
#include "DevicePath.h"
#include "ExitStatus.h"
#include "Interruption.h"
#include "PortChoice.h"
#include "UCS2Text.h"

namespace {

const char kMsgOpenFailed[] = "cannot open the port %s\n";
const char kMsgNoAnswer[] = "the device on %s does not answer AT\n";
const char kMsgDrivesFailed[] = "the device did not list its drives\n";
const char kMsgNotFound[] = "%s: %s: no such file or folder on the device\n";
const char kMsgInterrupted[] = "interrupted by signal %d\n";
const char kMsgRefused[] = "%s: %s: the device refused or did not answer\n";

EntryKind kindOf(int reported) {
    return reported == kKindFile || reported == kKindFolder ? static_cast<EntryKind>(reported)
                                                            : kKindUnknown;
}

bool sameName(const std::string& name, const CString& wanted) {
    return name == Utf8(wanted);
}

} // namespace

int DeviceLink::Open(const std::string& portOption) {
    std::string port;
    int status = ResolvePortOption(portOption, port);
    if (status != kExitDone)
        return status;
    if (!m_conn.Conn_Init(port.c_str())) {
        Message(kMsgOpenFailed, port.c_str());
        return kExitDevice;
    }
    if (m_conn.CheckAT_OK()) {
        if (PendingSignal() == 0)
            Message(kMsgNoAnswer, port.c_str());
        return kExitDevice;
    }
    m_conn.InternalQueryDt();
    return kExitDone;
}

int DeviceLink::ListDrives(std::vector<DeviceEntry>& drives) {
    std::vector<CString> names;
    std::vector<unsigned long> free;
    if (!m_conn.TFSGetDriveInfo(names, free)) {
        Message(kMsgDrivesFailed);
        return kExitDevice;
    }
    for (size_t i = 0; i < names.size(); ++i)
        drives.push_back({Utf8(names[i]), free[i], kKindDrive});
    return kExitDone;
}

int DeviceLink::list(const CString& folder, std::vector<DeviceEntry>& entries) {
    if (!m_conn.TFSListFolder(folder))
        return kExitDevice;
    const std::vector<CString>& names = m_conn.ListedNames();
    for (size_t i = 0; i < names.size(); ++i)
        entries.push_back(
            {Utf8(names[i]), m_conn.ListedValues()[i], kindOf(m_conn.ListedKinds()[i])});
    return kExitDone;
}

int DeviceLink::ListFolder(const CString& folder, std::vector<DeviceEntry>& entries) {
    if (list(folder, entries) == kExitDone)
        return kExitDone;
    DeviceEntry entry;
    int status = Find(folder, entry);
    return status == kExitDone ? kExitDevice : status;
}

int DeviceLink::Find(const CString& path, DeviceEntry& entry) {
    CString parent;
    CString name;
    std::vector<DeviceEntry> entries;
    if (!SplitDevicePath(path, parent, name)) {
        std::vector<CString> drives;
        std::vector<unsigned long> free;
        if (!m_conn.TFSGetDriveInfo(drives, free))
            return kExitDevice;
        for (size_t i = 0; i < drives.size(); ++i)
            if (sameName(Utf8(drives[i]), path)) {
                entry = {Utf8(drives[i]), free[i], kKindDrive};
                return kExitDone;
            }
        return kExitNotFound;
    }
    int status = ListFolder(parent, entries);
    if (status != kExitDone)
        return status;
    for (const DeviceEntry& candidate : entries)
        if (sameName(candidate.name, name)) {
            entry = candidate;
            return kExitDone;
        }
    return kExitNotFound;
}

int DeviceLink::Failed(const char* action, const CString& path) {
    if (PendingSignal() != 0)
        return kExitDevice; // the engine takes no more commands: the signal ends the run
    DeviceEntry entry;
    int status = Find(path, entry) == kExitNotFound ? kExitNotFound : kExitDevice;
    Message(status == kExitNotFound ? kMsgNotFound : kMsgRefused, action, Utf8(path).c_str());
    return status;
}

int DeviceLink::EndInterrupted() {
    {
        CleanupWindow cleanup;
        m_conn.AbandonOpenFile();
    }
    Message(kMsgInterrupted, PendingSignal());
    return InterruptedStatus();
}
