// The vxpdev program of this build, run as a child process.
#include "VxpdevRun.h"

const int kRunDeadlineMs = 120000; // sanitizer builds on a loaded machine are slow

std::unique_ptr<ChildProcess> startVxpdev(const std::vector<std::string>& args,
                                          const fs::path& cwd) {
    std::vector<std::string> argv = {VXPDEV_BIN};
    argv.insert(argv.end(), args.begin(), args.end());
    return std::unique_ptr<ChildProcess>(new ChildProcess(argv, cwd.string()));
}

ProcessResult runVxpdev(const std::vector<std::string>& args, const fs::path& cwd) {
    return startVxpdev(args, cwd)->finish(kRunDeadlineMs);
}
