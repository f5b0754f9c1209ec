// The device's command log: one line per received command, "<UTC time> <command line>",
// and device events as "<UTC time> * <text>". Each line is flushed at once so that a
// tester can read the log while the device runs.
#pragma once

#include <cstdio>
#include <string>

namespace devsim {

class CommandLog {
public:
    CommandLog() = default;
    CommandLog(const CommandLog&) = delete;
    CommandLog& operator=(const CommandLog&) = delete;
    ~CommandLog();

    // Opens (appending to) the log file; false with the reason in `error`.
    bool Open(const std::string& path, std::string& error);
    void Command(const std::string& line);
    void Event(const std::string& text);

private:
    void Write(const std::string& text);

    FILE* m_file = nullptr;
};

} // namespace devsim
