// Varnel: packs one application file, in place or into -o's file. Exit status 0 packed (also
// after --help and --version), 1 command line refused, 2 nothing packed (the file is left as
// it was).
#include <csignal>
#include <stdexcept>
#include <string>

#include "CommandLine.h"
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
    PackOptions options;
    const CommandLine parsed = ParseArguments(argc, argv, options);
    if (parsed != CommandLine::Pack)
        return parsed == CommandLine::Done ? EXIT_PACKED : EXIT_USAGE;
    if (options.paramPath.empty())
        options.paramPath = ParamFilePath(argv[0]);
    // Over a file size limit a write then fails with EFBIG and is cut back, instead of the
    // signal ending the program half-way through the append.
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        Varnel packer(options.target, options.paramPath);
        packer.SetOutputPath(options.output);
        packer.SetStrict(options.strict);
        return packer.doPack() ? EXIT_PACKED : EXIT_PACK_FAILED;
    } catch (const std::runtime_error& error) {
        log_output("%s\n", error.what());
        return EXIT_PACK_FAILED;
    }
}
