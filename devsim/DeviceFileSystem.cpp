// Device paths over host folders. Every host path is built from checked parts below the
// canonical root and, before use, tested for symbolic links that lead out of the root.
#include "DeviceFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
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

bool StatPath(const std::string& path, struct stat& st) {
    return ::stat(path.c_str(), &st) == 0;
}

std::string Canonical(const std::string& path) {
    char buffer[PATH_MAX];
    if (::realpath(path.c_str(), buffer) == nullptr)
        return std::string();
    return buffer;
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

bool DeviceFileSystem::Open(const std::string& root, std::string& error) {
    m_root = Canonical(root);
    struct stat st;
    if (m_root.empty() || !StatPath(m_root, st) || !S_ISDIR(st.st_mode)) {
        error = "root folder " + root + " is not a folder: " + std::strerror(errno);
        return false;
    }
    if (!Drives().empty())
        return true;
    std::string drive = m_root + "/" + kDefaultDrive;
    if (::mkdir(drive.c_str(), 0755) != 0) {
        error = "cannot create drive folder " + drive + ": " + std::strerror(errno);
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
    std::string path = m_root + "/" + letter;
    struct stat st;
    return StatPath(path, st) && S_ISDIR(st.st_mode) && InsideRoot(path);
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

std::string DeviceFileSystem::HostPath(const DevicePath& path) const {
    std::string host = m_root + "/" + path.drive;
    for (const std::string& part : path.parts)
        host += "/" + part;
    return InsideRoot(host) ? host : std::string();
}

// The deepest existing ancestor decides: its canonical form must lie in the root. A
// dangling symbolic link counts as leading out, since creating through it would.
bool DeviceFileSystem::InsideRoot(const std::string& hostPath) const {
    std::string probe = hostPath;
    for (;;) {
        struct stat st;
        if (::lstat(probe.c_str(), &st) == 0) {
            std::string canonical = Canonical(probe);
            if (canonical.empty())
                return false;
            return canonical == m_root ||
                   canonical.compare(0, m_root.size() + 1, m_root + "/") == 0;
        }
        if (errno != ENOENT && errno != ENOTDIR)
            return false;
        size_t slash = probe.rfind('/');
        if (slash == std::string::npos || slash < m_root.size())
            return false;
        probe.erase(slash);
    }
}

bool DeviceFileSystem::IsFolder(const DevicePath& path) const {
    std::string host = HostPath(path);
    struct stat st;
    return !host.empty() && StatPath(host, st) && S_ISDIR(st.st_mode);
}

bool DeviceFileSystem::IsFile(const DevicePath& path) const {
    std::string host = HostPath(path);
    struct stat st;
    return !host.empty() && StatPath(host, st) && S_ISREG(st.st_mode);
}

bool DeviceFileSystem::List(const DevicePath& folder, std::vector<DirEntry>& entries) const {
    entries.clear();
    if (!IsFolder(folder))
        return false;
    std::string host = HostPath(folder);
    DIR* dir = ::opendir(host.c_str());
    if (dir == nullptr)
        return false;
    while (const struct dirent* item = ::readdir(dir)) {
        std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        std::string child = host + "/" + name;
        struct stat st;
        if (!InsideRoot(child) || !StatPath(child, st))
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
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return true;
}

bool DeviceFileSystem::MakeFolder(const DevicePath& path) const {
    std::string host = HostPath(path);
    return !path.parts.empty() && !host.empty() && ::mkdir(host.c_str(), 0755) == 0;
}

bool DeviceFileSystem::RemoveFolder(const DevicePath& path) const {
    std::string host = HostPath(path);
    return !path.parts.empty() && IsFolder(path) && ::rmdir(host.c_str()) == 0;
}

bool DeviceFileSystem::RemoveFile(const DevicePath& path) const {
    std::string host = HostPath(path);
    return IsFile(path) && ::unlink(host.c_str()) == 0;
}

bool DeviceFileSystem::ReadFile(const DevicePath& path, std::string& content) const {
    content.clear();
    if (!IsFile(path))
        return false;
    int fd = ::open(HostPath(path).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || static_cast<uint64_t>(st.st_size) > kMaxReadBytes) {
        ::close(fd);
        return false;
    }
    char buffer[65536];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        content.append(buffer, static_cast<size_t>(got));
    ::close(fd);
    return got == 0;
}

int DeviceFileSystem::CreateFile(const DevicePath& path) const {
    if (path.parts.empty())
        return -1;
    DevicePath parent = path;
    parent.parts.pop_back();
    std::string host = HostPath(path);
    if (host.empty() || !IsFolder(parent) || IsFolder(path))
        return -1;
    return ::open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
}

bool DeviceFileSystem::FolderSize(const DevicePath& folder, uint64_t& bytes,
                                  uint64_t& entries) const {
    std::vector<DirEntry> items;
    if (!List(folder, items))
        return false;
    entries += items.size();
    for (const DirEntry& item : items) {
        bytes += item.size;
        if (!item.folder)
            continue;
        DevicePath child = folder;
        child.parts.push_back(item.name);
        uint64_t ignoredEntries = 0;
        if (!FolderSize(child, bytes, ignoredEntries))
            return false;
    }
    return true;
}

bool DeviceFileSystem::FreeSpace(char drive, uint64_t& bytes) const {
    if (!HasDrive(drive))
        return false;
    struct statvfs vfs;
    std::string host = m_root + "/" + drive;
    if (::statvfs(host.c_str(), &vfs) != 0)
        return false;
    bytes = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    return true;
}

} // namespace devsim
