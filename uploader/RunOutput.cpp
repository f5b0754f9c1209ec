// RunOutput and ProgressLine: the upload tool's quiet mode, failure and result lines, and the
// progress line. Main thread only (the progress callback runs inside the upload call).
#include "RunOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>

#include "Interruption.h"
#include "TrellupUtility.h"

namespace {

const char kNullDevice[] = "/dev/null";
const char kProgressFormat[] = "\r%llu of %llu bytes, %.1f KiB/s, %.0f s left   ";
const double kBytesPerKiB = 1024;

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

void ProgressLine::update(unsigned long long sent, unsigned long long total, void* user) {
    auto* line = static_cast<ProgressLine*>(user);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - line->m_start).count();
    double rate = seconds > 0 ? static_cast<double>(sent) / seconds : 0;
    double left = rate > 0 ? static_cast<double>(total - sent) / rate : 0;
    std::fprintf(stderr, kProgressFormat, sent, total, rate / kBytesPerKiB, left);
    line->m_shown = true;
}

void ProgressLine::finish() const {
    if (m_shown)
        std::fputc('\n', stderr);
}
