// RunOutput: the upload tool's quiet mode, its failure and result lines, and whether a progress
// line may be drawn. Main thread only.
#include "RunOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>

#include "Interruption.h"
#include "TrellupUtility.h"

namespace {

const char kNullDevice[] = "/dev/null";

// Whether a leads to the terminal b: only that terminal's device has its device number.
bool sameTerminal(int a, int b) {
    struct stat first;
    struct stat second;
    return fstat(a, &first) == 0 && fstat(b, &second) == 0 && first.st_rdev == second.st_rdev;
}

} // namespace

RunOutput::~RunOutput() {
    if (m_result != nullptr)
        std::fclose(m_result);
}

bool RunOutput::beQuiet() {
    std::fflush(stdout);
    int original = dup(STDOUT_FILENO);
    int null = open(kNullDevice, O_WRONLY | O_CLOEXEC);
    bool quietNow = original != -1 && null != -1 && dup2(null, STDOUT_FILENO) != -1;
    if (null != -1)
        close(null);
    if (quietNow)
        m_result = fdopen(original, "w");
    if (m_result == nullptr && original != -1)
        close(original);
    return m_result != nullptr;
}

void RunOutput::failure(bool printed, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    log_output_v(format, args);
    // After a signal, failures are the refused commands' doing: the interruption is the news.
    if (PendingSignal() == 0 && (printed || quiet()))
        std::vfprintf(quiet() ? stderr : stdout, format, copy);
    va_end(copy);
    va_end(args);
}

void RunOutput::result(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    log_output_v(format, args);
    std::vfprintf(quiet() ? m_result : stdout, format, copy);
    std::fflush(quiet() ? m_result : stdout);
    va_end(copy);
    va_end(args);
}

bool RunOutput::showsProgress() const {
    return isatty(STDERR_FILENO) && (quiet() || !sameTerminal(STDOUT_FILENO, STDERR_FILENO));
}
