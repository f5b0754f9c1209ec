// Trellup: the upload tool's entry point. A lone -h or --help shows the usage, a lone --version
// the version; everything else is one run of the command flow (UploadRun). Main thread.
#include <cstring>

#include "ProjectVersion.h"
#include "UploadRun.h"

namespace {

bool isLoneOption(int argc, char** argv, const char* option) {
    return argc == 2 && std::strcmp(argv[1], option) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (isLoneOption(argc, argv, "-h") || isLoneOption(argc, argv, "--help")) {
        printUsage(stdout);
        return 0;
    }
    if (isLoneOption(argc, argv, "--version")) {
        std::printf("Trellup %s\n", PROJECT_VERSION_STRING);
        return 0;
    }
    // The run is destroyed before the process ends, so the port is closed on every exit.
    return UploadRun(argc, argv).run();
}
