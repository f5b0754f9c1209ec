// Trellup: the upload tool's entry point. A lone -h or --help shows the usage; everything else
// is one run of the command flow (UploadRun). Runs on the main thread.
#include <cstring>

#include "UploadRun.h"

namespace {

bool wantsHelp(int argc, char** argv) {
    return argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0);
}

} // namespace

int main(int argc, char** argv) {
    if (wantsHelp(argc, argv)) {
        printUsage(stdout);
        return 0;
    }
    // The run is destroyed before the process ends, so the port is closed on every exit.
    return UploadRun(argc, argv).run();
}
