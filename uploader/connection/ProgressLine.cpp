// ProgressLine: the bytes sent of the file's size, the rate and the time left, redrawn in place;
// and the rate as every transfer line of the tools gives it.
#include "ProgressLine.h"

#include <cstdio>

namespace {

const char kProgressFormat[] = "\r%llu of %llu bytes, %.1f KiB/s, %.0f s left   ";
const double kBytesPerKiB = 1024;

} // namespace

double KiBPerSecond(unsigned long long bytes, double seconds) {
    return seconds > 0 ? static_cast<double>(bytes) / kBytesPerKiB / seconds : 0;
}

void ProgressLine::update(unsigned long long sent, unsigned long long total, void* user) {
    auto* line = static_cast<ProgressLine*>(user);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - line->m_start).count();
    double rate = KiBPerSecond(sent, seconds);
    double left = rate > 0 ? static_cast<double>(total - sent) / kBytesPerKiB / rate : 0;
    std::fprintf(stderr, kProgressFormat, sent, total, rate, left);
    line->m_shown = true;
}

void ProgressLine::finish() const {
    if (m_shown)
        std::fputc('\n', stderr);
}
