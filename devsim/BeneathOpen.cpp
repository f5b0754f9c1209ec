// openat2 with RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS, or a walk of openat calls with
// O_NOFOLLOW from the starting descriptor when the kernel lacks openat2.
#include "BeneathOpen.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace devsim {

namespace {

// openat2 may report EAGAIN when a rename elsewhere raced with its walk.
const int kKernelAttempts = 3;

UniqueFd KernelOpen(int dirFd, const std::vector<std::string>& parts, int flags, mode_t mode) {
    std::string path = parts.empty() ? "." : parts.front();
    for (size_t i = 1; i < parts.size(); ++i)
        path += "/" + parts[i];
    struct open_how how = {};
    how.flags = static_cast<unsigned long long>(flags | O_CLOEXEC);
    how.mode = (flags & O_CREAT) ? mode : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS;
    long fd = -1;
    for (int attempt = 0; attempt < kKernelAttempts; ++attempt) {
        fd = ::syscall(SYS_openat2, dirFd, path.c_str(), &how, sizeof how);
        if (fd >= 0 || errno != EAGAIN)
            break;
    }
    return UniqueFd(static_cast<int>(fd));
}

UniqueFd WalkOpen(int dirFd, const std::vector<std::string>& parts, int flags, mode_t mode) {
    if (parts.empty())
        return UniqueFd(::openat(dirFd, ".", flags | O_CLOEXEC, mode));
    UniqueFd folder;
    int at = dirFd;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        folder =
            UniqueFd(::openat(at, parts[i].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder.Valid())
            return UniqueFd();
        at = folder.Get();
    }
    return UniqueFd(::openat(at, parts.back().c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode));
}

} // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        if (Valid())
            ::close(m_fd);
        m_fd = other.Release();
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    if (Valid())
        ::close(m_fd);
}

int UniqueFd::Release() {
    int fd = m_fd;
    m_fd = -1;
    return fd;
}

Resolver AvailableResolver() {
    static const Resolver kFound = [] {
        UniqueFd probe = KernelOpen(AT_FDCWD, {}, O_PATH | O_DIRECTORY, 0);
        return probe.Valid() ? Resolver::kKernel : Resolver::kWalk;
    }();
    return kFound;
}

UniqueFd OpenBeneath(int dirFd, const std::vector<std::string>& parts, int flags, mode_t mode,
                     Resolver resolver) {
    return resolver == Resolver::kKernel ? KernelOpen(dirFd, parts, flags, mode)
                                         : WalkOpen(dirFd, parts, flags, mode);
}

} // namespace devsim
