// The data stream and the diverted engine output of vxpdev.
#include "Console.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>

namespace {

const char kProgram[] = "vxpdev: ";
const char kNullDevice[] = "/dev/null";
const int kJsonIndent = 2;

FILE* dataStream = nullptr;

} // namespace

void DivertEngineOutput(bool trace) {
    std::fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    if (saved < 0)
        return;
    int target = trace ? dup(STDERR_FILENO) : open(kNullDevice, O_WRONLY);
    FILE* data = fdopen(saved, "w");
    if (target < 0 || data == nullptr || dup2(target, STDOUT_FILENO) < 0) {
        if (data != nullptr)
            std::fclose(data);
        else
            close(saved);
        if (target >= 0)
            close(target);
        return;
    }
    close(target);
    // The engine's trace is best seen in order with vxpdev's own messages.
    setvbuf(stdout, nullptr, _IONBF, 0);
    dataStream = data;
}

FILE* DataOut() {
    return dataStream != nullptr ? dataStream : stdout;
}

bool WriteData(const std::string& bytes) {
    FILE* out = DataOut();
    return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size() && std::fflush(out) == 0;
}

bool WriteJson(const nlohmann::json& document) {
    return WriteData(
        document.dump(kJsonIndent, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
}

std::string Formatted(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

void Message(const char* format, ...) {
    std::fputs(kProgram, stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}
