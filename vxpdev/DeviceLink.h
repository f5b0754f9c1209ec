// vxpdev's one connection to the device: the port chosen from -b, the AT check and DT status
// at the start, folder listings as plain entries, the question every failed command asks
// afterwards (is the path missing, or did the device refuse?) and the end after a signal.
// Main thread only.
#pragma once

#include <string>
#include <vector>

#include "Connection.h"

enum EntryKind { kKindUnknown = -1, kKindFile = 0, kKindFolder = 1, kKindDrive = 2 };

struct DeviceEntry {
    std::string name; // UTF-8
    unsigned long size = 0;
    EntryKind kind = kKindUnknown;
};

class DeviceLink {
public:
    // Opens the port named by -b ("auto", a name under /dev/ or a path beginning with '/'),
    // checks "AT" and reads the DT status: an exit status (0, or 2 after a message).
    int Open(const std::string& portOption);

    Connection& Conn() { return m_conn; }

    // Both listings append to the caller's vector, which every caller passes empty.
    // The drives with kind kKindDrive: 0, or 2 after a message.
    int ListDrives(std::vector<DeviceEntry>& drives);
    // The folder's entries: 0, 3 when the folder is missing, 2 when the device failed.
    int ListFolder(const CString& folder, std::vector<DeviceEntry>& entries);
    // The entry a path names, found in its parent's listing (a drive in the drive list):
    // 0, 3 when it is missing (a missing folder on the way included), 2 when the device failed.
    int Find(const CString& path, DeviceEntry& entry);
    // The status a failed command on path ends with: 3 when the path is missing, 2 otherwise,
    // with a message naming the action either way (2 and no message after a signal).
    int Failed(const char* action, const CString& path);

    // After SIGINT, SIGTERM or SIGHUP: closes and deletes a file a put left open, says so and
    // returns 128 + the signal number.
    int EndInterrupted();

private:
    // One listing: 0 done, 2 failed (no message).
    int list(const CString& folder, std::vector<DeviceEntry>& entries);

    Connection m_conn;
};
