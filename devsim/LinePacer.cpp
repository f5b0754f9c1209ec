// Pacing by booking: each passed byte keeps the line busy for one byte time; a late wake-up
// of up to one burst is caught up, so the long-run rate stays the set one.
#include "LinePacer.h"

#include <algorithm>

namespace devsim {

namespace {
const std::chrono::milliseconds kBurst(4);
const int kBitsPerByte = 11; // 8E1: start, eight data bits, parity, stop
} // namespace

LinePacer::LinePacer(long baud) : m_limited(baud > 0) {
    if (!m_limited)
        return;
    m_byteTime = std::chrono::nanoseconds(1000000000LL * kBitsPerByte / baud);
    m_burstBytes =
        std::max<size_t>(1, static_cast<size_t>(std::chrono::nanoseconds(kBurst) / m_byteTime));
    m_burstTime = m_byteTime * static_cast<long long>(m_burstBytes);
}

size_t LinePacer::Allowance(size_t wanted, Clock::time_point now) const {
    if (!m_limited)
        return wanted;
    if (now < m_freeAt)
        return 0;
    return std::min(wanted, m_burstBytes);
}

void LinePacer::Passed(size_t bytes, Clock::time_point now) {
    if (!m_limited)
        return;
    // Within one burst time of the booked end the line counts as busy all along (a late
    // wake-up); after a longer pause it starts afresh, so idle time is not saved up.
    Clock::time_point start = now - m_freeAt > m_burstTime ? now : m_freeAt;
    m_freeAt = start + m_byteTime * static_cast<long long>(bytes);
}

// An unlimited line never books a byte, so its free time stays in the past.
LinePacer::Clock::duration LinePacer::Wait(Clock::time_point now) const {
    return std::max(m_freeAt - now, Clock::duration::zero());
}

} // namespace devsim
