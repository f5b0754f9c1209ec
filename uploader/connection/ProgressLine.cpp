// ProgressLine: the bytes sent of the file's size, the rate and the time left, redrawn in place.
#include "ProgressLine.h"

#include <cstdio>

namespace {

const char kProgressFormat[] = "\r%llu of %llu bytes, %.1f KiB/s, %.0f s left   ";
const double kBytesPerKiB = 1024;

} // namespace

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
