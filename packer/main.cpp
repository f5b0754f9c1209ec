// Varnel: packs one application file in place. Exit status 0 packed, 1 command line refused,
// 2 the pack run failed (the file is left as it was).
#include <cstdio>
#include <stdexcept>
#include <string>

#include "Utility.h"
#include "Varnel.h"

namespace {

enum ExitStatus { EXIT_PACKED = 0, EXIT_USAGE = 1, EXIT_PACK_FAILED = 2 };

// param.ini beside the program: argv[0] up to its last '/', or the current folder.
std::string ParamFilePath(const char* program) {
    const std::string self(program ? program : "");
    const auto slash = self.rfind('/');
    return (slash == std::string::npos ? std::string() : self.substr(0, slash + 1)) + "param.ini";
}

} // namespace

int main(int argc, char* argv[]) {
    char target[260];
    if (!ParseArguments(argc, argv, target))
        return EXIT_USAGE;
    try {
        Varnel packer(target, ParamFilePath(argv[0]));
        return packer.doPack() ? EXIT_PACKED : EXIT_PACK_FAILED;
    } catch (const std::runtime_error& error) {
        log_output("%s\n", error.what());
        return EXIT_PACK_FAILED;
    }
}
