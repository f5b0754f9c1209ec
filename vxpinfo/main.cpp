// vxpinfo: shows what a packed application file holds and checks its signature.
// Exit status 0 valid, 3 digest or signature invalid, 4 not a packed file, truncated or
// malformed, 1 bad command line, 2 the file cannot be read.
#include <cstdio>
#include <cstring>
#include <string>

#include "PackedReader.h"
#include "ProjectVersion.h"
#include "TagDescriber.h"

namespace {

enum ExitStatus {
    EXIT_VALID = 0,
    EXIT_USAGE = 1,
    EXIT_UNREADABLE = 2,
    EXIT_INVALID = 3,
    EXIT_MALFORMED = 4
};

const char* const kUsage =
    "usage: vxpinfo FILE [--json]\n"
    "Shows the tags of a packed application file and checks its signature.\n"
    "  --json      print the result as one JSON object\n"
    "  --version   print the version\n"
    "Exit status: 0 valid, 3 digest or signature invalid, 4 not a packed file,\n"
    "truncated or malformed, 1 bad command line, 2 the file cannot be read.\n";

const char* const kVersion = "vxpinfo " PROJECT_VERSION_STRING "\n";

} // namespace

int main(int argc, char* argv[]) {
    std::string path;
    bool as_json = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0) {
            as_json = true;
        } else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return EXIT_VALID;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs(kVersion, stdout);
            return EXIT_VALID;
        } else if (path.empty() && argv[i][0] != '-') {
            path = argv[i];
        } else {
            std::fputs(kUsage, stderr);
            return EXIT_USAGE;
        }
    }
    if (path.empty()) {
        std::fputs(kUsage, stderr);
        return EXIT_USAGE;
    }
    PackedReport report;
    std::string error;
    if (!ReadPackedFile(path, report, error)) {
        std::fprintf(stderr, "vxpinfo: cannot read %s: %s\n", path.c_str(), error.c_str());
        return EXIT_UNREADABLE;
    }
    const nlohmann::json described = DescribeReport(path, report);
    std::fputs(as_json ? (described.dump(2) + "\n").c_str() : RenderText(described).c_str(),
               stdout);
    switch (report.status) {
    case PackedStatus::Valid: return EXIT_VALID;
    case PackedStatus::BadSignature: return EXIT_INVALID;
    default: return EXIT_MALFORMED;
    }
}
