// Time-stamped, line-flushed command log file.
#include "CommandLog.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace devsim {

namespace {

// "2026-12-07T06:20:01.123Z"
std::string TimeStamp() {
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    struct tm parts;
    ::gmtime_r(&now.tv_sec, &parts);
    char seconds[32];
    std::strftime(seconds, sizeof seconds, "%Y-%m-%dT%H:%M:%S", &parts);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%s.%03ldZ", seconds, now.tv_nsec / 1000000L);
    return stamp;
}

} // namespace

CommandLog::~CommandLog() {
    if (m_file != nullptr)
        std::fclose(m_file);
}

bool CommandLog::Open(const std::string& path, std::string& error) {
    m_file = std::fopen(path.c_str(), "a");
    if (m_file == nullptr) {
        error = "cannot open log file " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void CommandLog::Command(const std::string& line) {
    Write(line);
}

void CommandLog::Event(const std::string& text) {
    Write("* " + text);
}

void CommandLog::Write(const std::string& text) {
    if (m_file == nullptr)
        return;
    std::fprintf(m_file, "%s %s\n", TimeStamp().c_str(), text.c_str());
    std::fflush(m_file);
}

} // namespace devsim
