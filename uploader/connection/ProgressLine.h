// ProgressLine: one updating line on standard error while a file goes up to the device, drawn
// by Connection's progress callback. Called on the thread that runs the upload.
#pragma once

#include <chrono>

// The rate of bytes over seconds in KiB/s; 0 before any time has passed.
double KiBPerSecond(unsigned long long bytes, double seconds);

class ProgressLine {
public:
    // Matches the progress callback of Connection; user is the ProgressLine.
    static void update(unsigned long long sent, unsigned long long total, void* user);
    // Ends the line once it has been drawn.
    void finish() const;

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    bool m_shown = false;
};
