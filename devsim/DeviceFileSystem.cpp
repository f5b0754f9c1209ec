// Device paths over host folders. Every host access starts at a descriptor of the root and
// opens checked parts beneath it without following a symbolic link, so no swap of a folder
// for a link, however timed, leads outside.
#include "DeviceFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace devsim {

namespace {

const char kSeparator = '\\';
const char kForbiddenChars[] = "/:*?\"<>|";
const char kDefaultDrive = 'C';

size_t CharCount(const std::string& utf8) {
    return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

bool ValidPart(const std::string& part) {
    if (part == "." || part == "..")
        return false;
    for (char c : part) {
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr(kForbiddenChars, c) != nullptr)
            return false;
    }
    return true;
}

bool IsDriveLetter(char c) {
    return c >= 'A' && c <= 'Z';
}

char UpperLetter(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool HasDrivePrefix(const std::string& name) {
    return name.size() >= 2 && name[1] == ':' && IsDriveLetter(UpperLetter(name[0]));
}

// O_NONBLOCK: a named pipe planted in the root must not hold the device in its open.
const int kReadFlags = O_RDONLY | O_NONBLOCK;
const int kCreateFlags = O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK;
const int kFolderFlags = O_RDONLY | O_DIRECTORY;
const mode_t kFileMode = 0644;
const mode_t kFolderMode = 0755;

bool IsRegularFile(int fd) {
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode); // also false for no descriptor
}

// Files and folders of an open folder, symbolic links and other kinds left out.
bool ListOpenFolder(int folderFd, std::vector<DirEntry>& entries) {
    DIR* dir = ::fdopendir(::dup(folderFd));
    if (dir == nullptr)
        return false;
    while (const struct dirent* item = ::readdir(dir)) {
        std::string name = item->d_name;
        struct stat st;
        if (name == "." || name == ".." ||
            ::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode))
            continue;
        DirEntry entry;
        entry.name = name;
        entry.folder = S_ISDIR(st.st_mode);
        entry.size = entry.folder ? 0 : static_cast<uint64_t>(st.st_size);
        entries.push_back(entry);
    }
    ::closedir(dir);
    return true;
}

bool SizeBelow(int folderFd, uint64_t& bytes, uint64_t& entries) {
    std::vector<DirEntry> items;
    if (!ListOpenFolder(folderFd, items))
        return false;
    entries += items.size();
    for (const DirEntry& item : items) {
        bytes += item.size;
        if (!item.folder)
            continue;
        UniqueFd child(
            ::openat(folderFd, item.name.c_str(), kFolderFlags | O_NOFOLLOW | O_CLOEXEC));
        uint64_t ignoredEntries = 0;
        if (!child.Valid() || !SizeBelow(child.Get(), bytes, ignoredEntries))
            return false;
    }
    return true;
}

} // namespace

std::string DevicePath::Text() const {
    std::string text{drive, ':', kSeparator};
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            text += kSeparator;
        text += parts[i];
    }
    return text;
}

bool DeviceFileSystem::Open(const std::string& root, std::string& error, Resolver resolver) {
    m_resolver = resolver;
    m_rootFd = UniqueFd(::open(root.c_str(), kFolderFlags | O_CLOEXEC));
    if (!m_rootFd.Valid()) {
        error = "root folder " + root + " is not a folder: " + std::strerror(errno);
        return false;
    }
    if (!Drives().empty())
        return true;
    if (::mkdirat(m_rootFd.Get(), std::string(1, kDefaultDrive).c_str(), kFolderMode) != 0) {
        error = "cannot create drive folder " + root + "/" + kDefaultDrive + ": " +
                std::strerror(errno);
        return false;
    }
    return true;
}

std::vector<char> DeviceFileSystem::Drives() const {
    std::vector<char> drives;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (HasDrive(letter))
            drives.push_back(letter);
    }
    return drives;
}

bool DeviceFileSystem::HasDrive(char letter) const {
    if (!IsDriveLetter(letter))
        return false;
    const char name[] = {letter, '\0'};
    struct stat st;
    return ::fstatat(m_rootFd.Get(), name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

bool DeviceFileSystem::Resolve(const std::string& name, const DevicePath& current,
                               DevicePath& out) const {
    out = current;
    size_t start = 0;
    if (HasDrivePrefix(name)) {
        out.drive = UpperLetter(name[0]);
        out.parts.clear();
        start = 2;
    }
    if (!HasDrive(out.drive))
        return false;
    while (start <= name.size()) {
        size_t end = name.find(kSeparator, start);
        if (end == std::string::npos)
            end = name.size();
        std::string part = name.substr(start, end - start);
        if (!part.empty()) {
            if (!ValidPart(part))
                return false;
            out.parts.push_back(part);
        }
        start = end + 1;
    }
    return CharCount(out.Text()) <= kMaxPathChars;
}

UniqueFd DeviceFileSystem::OpenPath(const DevicePath& path, int flags, mode_t mode) const {
    std::vector<std::string> parts{std::string(1, path.drive)};
    parts.insert(parts.end(), path.parts.begin(), path.parts.end());
    return OpenBeneath(m_rootFd.Get(), parts, flags, mode, m_resolver);
}

mode_t DeviceFileSystem::Kind(const DevicePath& path) const {
    UniqueFd fd = OpenPath(path, O_PATH);
    struct stat st;
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0)
        return 0;
    return st.st_mode & S_IFMT;
}

bool DeviceFileSystem::IsFolder(const DevicePath& path) const {
    return Kind(path) == S_IFDIR;
}

bool DeviceFileSystem::IsFile(const DevicePath& path) const {
    return Kind(path) == S_IFREG;
}

bool DeviceFileSystem::List(const DevicePath& folder, std::vector<DirEntry>& entries) const {
    UniqueFd fd = OpenPath(folder, kFolderFlags);
    if (!fd.Valid() || !ListOpenFolder(fd.Get(), entries))
        return false;
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return true;
}

// The parent folder opened beneath the root (invalid for a drive root): the last part is
// then one plain name in it.
UniqueFd DeviceFileSystem::OpenParent(const DevicePath& path) const {
    if (path.parts.empty())
        return UniqueFd();
    DevicePath parent = path;
    parent.parts.pop_back();
    return OpenPath(parent, O_PATH | O_DIRECTORY);
}

bool DeviceFileSystem::MakeFolder(const DevicePath& path) const {
    UniqueFd parent = OpenParent(path);
    return parent.Valid() && ::mkdirat(parent.Get(), path.parts.back().c_str(), kFolderMode) == 0;
}

bool DeviceFileSystem::RemoveFolder(const DevicePath& path) const {
    UniqueFd parent = OpenParent(path);
    return parent.Valid() && ::unlinkat(parent.Get(), path.parts.back().c_str(), AT_REMOVEDIR) == 0;
}

bool DeviceFileSystem::RemoveFile(const DevicePath& path) const {
    UniqueFd parent = OpenParent(path);
    struct stat st;
    return parent.Valid() &&
           ::fstatat(parent.Get(), path.parts.back().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(st.st_mode) && ::unlinkat(parent.Get(), path.parts.back().c_str(), 0) == 0;
}

bool DeviceFileSystem::ReadFile(const DevicePath& path, std::string& content) const {
    content.clear();
    UniqueFd fd = OpenPath(path, kReadFlags);
    struct stat st;
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uint64_t>(st.st_size) > kMaxReadBytes)
        return false;
    char buffer[65536];
    ssize_t got;
    while ((got = ::read(fd.Get(), buffer, sizeof buffer)) > 0)
        content.append(buffer, static_cast<size_t>(got));
    return got == 0;
}

int DeviceFileSystem::CreateFile(const DevicePath& path) const {
    if (path.parts.empty())
        return -1;
    UniqueFd fd = OpenPath(path, kCreateFlags, kFileMode);
    return IsRegularFile(fd.Get()) ? fd.Release() : -1;
}

bool DeviceFileSystem::FolderSize(const DevicePath& folder, uint64_t& bytes,
                                  uint64_t& entries) const {
    UniqueFd fd = OpenPath(folder, kFolderFlags);
    return fd.Valid() && SizeBelow(fd.Get(), bytes, entries);
}

bool DeviceFileSystem::FreeSpace(char drive, uint64_t& bytes) const {
    UniqueFd fd = OpenPath(DevicePath{drive, {}}, kFolderFlags);
    struct statvfs vfs;
    if (::fstatvfs(fd.Get(), &vfs) != 0) // also for no descriptor
        return false;
    bytes = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    return true;
}

} // namespace devsim
