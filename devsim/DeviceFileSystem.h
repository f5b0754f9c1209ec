// The device's file system: drive folders (C, D, ...) under one host root folder, device
// paths resolved against a current folder, and every host access confined to the root.
// Symbolic links are never followed: to the device they do not exist.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "BeneathOpen.h"

namespace devsim {

// A place on the device: drive letter and folder/file components below its root.
struct DevicePath {
    char drive = 'C';
    std::vector<std::string> parts;

    bool operator==(const DevicePath& other) const {
        return drive == other.drive && parts == other.parts;
    }
    // "C:\ZOV\a.vxp"; a drive root reads "C:\".
    std::string Text() const;
};

struct DirEntry {
    std::string name; // UTF-8
    uint64_t size = 0;
    bool folder = false;
};

class DeviceFileSystem {
public:
    // Longest device path accepted, in characters of its text form.
    static constexpr size_t kMaxPathChars = 259;
    // Largest file a read hands out whole (its reply is held in memory as hexadecimal text).
    static constexpr uint64_t kMaxReadBytes = 64ULL << 20;

    // Uses the drive folders of `root`; creates drive C when none exists. False (with the
    // reason in `error`) when the root is not a usable folder.
    bool Open(const std::string& root, std::string& error, Resolver resolver = AvailableResolver());

    // Drive letters in letter order.
    std::vector<char> Drives() const;
    bool HasDrive(char letter) const;

    // Resolves a device name: "X:" followed by backslash-separated parts is drive-rooted,
    // anything else is relative to `current`. Empty parts are skipped. False for an
    // unknown drive, a part "." or "..", a character no device name may hold, or a path
    // longer than kMaxPathChars.
    bool Resolve(const std::string& name, const DevicePath& current, DevicePath& out) const;

    bool IsFolder(const DevicePath& path) const;
    bool IsFile(const DevicePath& path) const;
    // Entries of a folder sorted by name, into an empty `entries`: its files and folders only.
    bool List(const DevicePath& folder, std::vector<DirEntry>& entries) const;
    bool MakeFolder(const DevicePath& path) const;
    // Removes an empty folder; never a drive root.
    bool RemoveFolder(const DevicePath& path) const;
    bool RemoveFile(const DevicePath& path) const;
    // False for a file larger than kMaxReadBytes.
    bool ReadFile(const DevicePath& path, std::string& content) const;
    // Creates or empties a file for writing in an existing folder; the descriptor, or -1.
    int CreateFile(const DevicePath& path) const;
    // Total size of the files below a folder and its number of entries.
    bool FolderSize(const DevicePath& folder, uint64_t& bytes, uint64_t& entries) const;
    // Free bytes of the host file system that holds the drive.
    bool FreeSpace(char drive, uint64_t& bytes) const;

private:
    UniqueFd OpenPath(const DevicePath& path, int flags, mode_t mode = 0) const;
    UniqueFd OpenParent(const DevicePath& path) const;
    // Type bits of the file at `path` (0 when it cannot be opened).
    mode_t Kind(const DevicePath& path) const;

    UniqueFd m_rootFd;
    Resolver m_resolver = Resolver::kWalk;
};

} // namespace devsim
