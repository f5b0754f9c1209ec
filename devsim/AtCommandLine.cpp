// Command line syntax of the device: prefix, name, form and the argument list.
#include "AtCommandLine.h"

#include <cctype>
#include <cstdlib>

namespace devsim {

namespace {

const size_t kMaxDigits = 18;

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string TrimSpaces(const std::string& s) {
    size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// From `at`, which is inside the line: "+" then an optional "[tag]" then letters, digits or
// underscores. The tag is part of the name, so a tag no command has names no command. Scans
// stop at the string's terminator, which is none of these.
bool ReadName(const std::string& line, size_t& at, std::string& name) {
    size_t start = at;
    if (line[at] != '+')
        return false;
    ++at;
    if (line[at] == '[') {
        size_t close = line.find(']', at);
        if (close == std::string::npos || close == at + 1)
            return false;
        at = close + 1;
    }
    size_t letters = at;
    while (IsNameChar(line[at]))
        ++at;
    if (at == letters)
        return false;
    name = Upper(line.substr(start, at - start));
    return true;
}

bool ParseNumber(const std::string& text, AtArgument& arg) {
    size_t digits = (!text.empty() && text[0] == '-') ? 1 : 0;
    if (text.size() == digits || text.size() - digits > kMaxDigits)
        return false;
    for (size_t i = digits; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    arg.text = text;
    arg.number = std::strtoll(text.c_str(), nullptr, 10);
    return true;
}

// One argument starting at `at` (at most the end); leaves `at` on the comma after it or at the
// end. Scans stop at the string's terminator, as it is neither blank nor quote.
bool ReadArgument(const std::string& list, size_t& at, AtArgument& arg) {
    while (list[at] == ' ') // the terminator ends the run
        ++at;
    if (list[at] == '"') {
        size_t close = list.find('"', at + 1);
        if (close == std::string::npos)
            return false;
        arg.quoted = true;
        arg.text = list.substr(at + 1, close - at - 1);
        at = close + 1;
        while (list[at] == ' ')
            ++at;
        return at == list.size() || list[at] == ',';
    }
    size_t comma = list.find(',', at);
    if (comma == std::string::npos)
        comma = list.size();
    std::string text = TrimSpaces(list.substr(at, comma - at));
    at = comma;
    return ParseNumber(text, arg);
}

bool ReadArguments(const std::string& list, std::vector<AtArgument>& args) {
    size_t at = 0;
    for (;;) {
        AtArgument arg;
        if (!ReadArgument(list, at, arg))
            return false;
        args.push_back(arg);
        if (at == list.size())
            return true;
        ++at; // the comma
    }
}

} // namespace

bool ParseAtCommandLine(const std::string& line, AtCommandLine& out) {
    out = AtCommandLine();
    if (line.size() < 2 || Upper(line.substr(0, 2)) != "AT")
        return false;
    size_t at = 2;
    if (at == line.size())
        return true;
    if (!ReadName(line, at, out.name))
        return false;
    std::string rest = line.substr(at);
    if (rest.empty())
        return true;
    if (rest == "?") {
        out.form = AtCommandLine::kQuery;
        return true;
    }
    if (rest == "=?") {
        out.form = AtCommandLine::kTest;
        return true;
    }
    if (rest[0] != '=' || rest.size() == 1)
        return false;
    out.form = AtCommandLine::kSet;
    return ReadArguments(rest.substr(1), out.args);
}

} // namespace devsim
