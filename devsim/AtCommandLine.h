// The device's own reading of one received command line: "AT", an optional "+NAME" (with
// an optional "[tag]" such as "+[666]REBOOT"), then nothing, "?", "=?" or "=" with
// comma-separated numbers and double-quoted texts.
#pragma once

#include <string>
#include <vector>

namespace devsim {

struct AtArgument {
    bool quoted = false;
    std::string text; // the text between the quotes, or the number as written
    long long number = 0;
};

struct AtCommandLine {
    enum Form { kAction, kQuery, kTest, kSet };

    std::string name; // upper case, "" for the bare "AT", otherwise "+EFSL", "+[666]REBOOT"
    Form form = kAction;
    std::vector<AtArgument> args;

    bool IsNumber(size_t index) const { return index < args.size() && !args[index].quoted; }
    bool IsText(size_t index) const { return index < args.size() && args[index].quoted; }
};

// Parses a command line without its CR. False for anything that is not of the form above:
// no "AT" start, a malformed name, an unterminated quote, text after a closing quote, or an
// argument that is neither a decimal number (at most 18 digits) nor quoted.
bool ParseAtCommandLine(const std::string& line, AtCommandLine& out);

} // namespace devsim
