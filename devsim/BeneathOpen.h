// Opening host files and folders strictly beneath a folder descriptor, never through a
// symbolic link at any step: a folder swapped for a link between a check and its use makes
// the open fail instead of leading outside. Also the owner of such descriptors.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace devsim {

// Closes its descriptor when it goes.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    int Release();

private:
    int m_fd;
};

// kKernel resolves the whole path in one openat2 call; kWalk opens one component at a time
// with O_NOFOLLOW, for kernels without openat2.
enum class Resolver { kKernel, kWalk };

// kKernel when this kernel has openat2 (asked once).
Resolver AvailableResolver();

// Opens the host path made of `parts` (single names, never "", "." or "..") below `dirFd`,
// the folder itself when `parts` is empty. `flags` as for openat (O_CLOEXEC is added);
// `mode` only with O_CREAT. Invalid with errno set when any component is a symbolic link,
// missing, or not a folder where one is needed.
UniqueFd OpenBeneath(int dirFd, const std::vector<std::string>& parts, int flags, mode_t mode,
                     Resolver resolver);

} // namespace devsim
