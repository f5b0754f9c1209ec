// Whole-file reads and replace-by-rename writes of PC files.
#include "PcFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "TrellupUtility.h"

namespace {

const char kTempSuffix[] = ".vxpdev-XXXXXX";
const mode_t kNewFileMode = 0644;

bool writeAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

bool ReadPcFile(const std::string& path, std::string& bytes) {
    if (!fileExist(path.c_str()))
        return false;
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad() && in.is_open();
}

bool WritePcFileWhole(const std::string& path, const std::string& bytes) {
    std::string temp = path + kTempSuffix;
    int fd = mkstemp(&temp[0]);
    if (fd < 0)
        return false;
    // mkstemp makes the file private; a fetched file gets the usual permissions.
    mode_t mask = umask(0);
    umask(mask);
    bool written = fchmod(fd, kNewFileMode & ~mask) == 0 && writeAll(fd, bytes);
    if (close(fd) != 0)
        written = false;
    if (written && std::rename(temp.c_str(), path.c_str()) == 0)
        return true;
    std::remove(temp.c_str());
    return false;
}

bool PcPathExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::string PcBaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
