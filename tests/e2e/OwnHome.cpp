// own_home FOLDER PROGRAM [ARGS...]: runs the program with its user's home folder (the one the
// password entry names) replaced by FOLDER, for that program alone, through a bind mount in a
// private mount namespace; FOLDER/.replaced then tells the test so. Where no namespace can be
// made (an unprivileged user without user namespaces), the program runs with the real home.
#include <pwd.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace {

bool writeText(const std::string& path, const std::string& text) {
    std::ofstream file(path);
    return static_cast<bool>(file << text << std::flush);
}

// Root needs only a mount namespace; anyone else a user namespace that maps them to themselves.
bool enterPrivateMounts() {
    std::string uid = std::to_string(getuid()), gid = std::to_string(getgid());
    if (getuid() == 0)
        return unshare(CLONE_NEWNS) == 0;
    return unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 && writeText("/proc/self/setgroups", "deny") &&
           writeText("/proc/self/uid_map", uid + " " + uid + " 1") &&
           writeText("/proc/self/gid_map", gid + " " + gid + " 1");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 125; // a usage error, as env reports one
    const passwd* user = getpwuid(getuid());
    if (user != nullptr && enterPrivateMounts() &&
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
        mount(argv[1], user->pw_dir, nullptr, MS_BIND, nullptr) == 0)
        writeText(std::string(argv[1]) + "/.replaced", "");
    execv(argv[2], argv + 2);
    return 127; // as a shell reports a program it cannot run
}
