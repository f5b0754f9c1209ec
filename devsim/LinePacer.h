// Line-rate limit of one direction of the serial line: bytes pass no faster than an 8E1
// line at the set baud rate carries them (11 bits per byte), in bursts of a few ms.
#pragma once

#include <chrono>
#include <cstddef>

namespace devsim {

class LinePacer {
public:
    using Clock = std::chrono::steady_clock;

    // A baud rate of 0 or less means no limit; above 10^9 a byte would take no time at all
    // (devsim's option stops at 10^8).
    explicit LinePacer(long baud);

    // How many of `wanted` bytes may pass at `now`; 0 means wait for Wait().
    size_t Allowance(size_t wanted, Clock::time_point now) const;
    // Books bytes that passed at `now`.
    void Passed(size_t bytes, Clock::time_point now);
    // Time until the next byte may pass (zero when it may pass now).
    Clock::duration Wait(Clock::time_point now) const;

private:
    bool m_limited;
    std::chrono::nanoseconds m_byteTime{0};
    std::chrono::nanoseconds m_burstTime{0};
    size_t m_burstBytes = 0;
    Clock::time_point m_freeAt; // when the line has carried every booked byte
};

} // namespace devsim
