// The reader of param.ini: line grammar, section table and typed look-ups.
#include "IniParser.h"

#include <cctype>
#include <clocale>
#include <fstream>

namespace {

// Reads the file under the environment's locale and always leaves the process in "C".
class Locale {
public:
    Locale() { std::setlocale(LC_ALL, ""); }
    ~Locale() { std::setlocale(LC_ALL, "C"); }
};

// Opens the file only to learn whether it can be opened at this moment.
class IfStreamSentry {
public:
    explicit IfStreamSentry(const std::string& path) {
        Locale locale;
        m_stream.open(path, std::ios::in);
    }
    ~IfStreamSentry() {
        if (m_stream.is_open())
            m_stream.close();
    }
    bool is_open() const { return m_stream.is_open(); }

private:
    std::ifstream m_stream;
};

bool AllOf(const std::string& text, std::string::size_type from, std::string::size_type to,
           const char* set) {
    for (auto i = from; i < to; ++i)
        if (std::string(set).find(text[i]) == std::string::npos)
            return false;
    return true;
}

// Only the space counts as blank in this grammar; a tab is part of keys and values.
std::string WithoutOuterSpaces(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

const char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

std::string StripLineEnds(const std::string& line) {
    std::string out;
    out.reserve(line.size());
    for (char c : line)
        if (c != '\r' && c != '\n')
            out += c;
    return out;
}

} // namespace

IniParser::IniParser(const std::string& path) : m_path(path) {
    IfStreamSentry probe(path);
    if (probe.is_open())
        LoadIniFile(path);
}

bool IniParser::IsIniReady() const {
    IfStreamSentry probe(m_path);
    return probe.is_open();
}

bool IniParser::LoadIniFile(const std::string& path) {
    Locale locale;
    std::ifstream in(path, std::ios::in);
    if (!in.is_open())
        return true;
    std::string section;
    Entries pending;
    std::string raw;
    for (int number = 1; std::getline(in, raw); ++number) {
        // Editors on some systems open the file with a byte-order mark, which would hide the
        // first header.
        if (number == 1 && raw.compare(0, 3, kUtf8ByteOrderMark) == 0)
            raw.erase(0, 3);
        const std::string line = StripLineEnds(raw);
        if (IsSectionEffective(line)) {
            const std::string name = GetStringSection(line);
            if (name != section) {
                // Insertion never replaces: a second block of a known section is dropped.
                if (!section.empty()) {
                    m_sections.insert({section, pending});
                    pending.clear();
                }
                section = name;
            }
        }
        const auto equal_pos = GetStringLineEqualSignPos(line);
        if (IsValueLineEffective(line, equal_pos))
            pending.push_back({GetStringLineKey(line, equal_pos),
                               GetStringLineValue(line, equal_pos),
                               WithoutOuterSpaces(line.substr(equal_pos + 1)), number});
    }
    if (!section.empty())
        m_sections.insert({section, pending});
    return true;
}

const std::vector<IniEntry>* IniParser::SectionEntries(const std::string& section) const {
    const auto found = m_sections.find(section);
    return found == m_sections.end() ? nullptr : &found->second;
}

bool IniParser::IsSectionEffective(const std::string& line) {
    return !line.empty() && line[0] == '[' && line.find(']') != std::string::npos;
}

// Only called for lines that passed IsSectionEffective: '[' first, a ']' after it.
std::string IniParser::GetStringSection(const std::string& line) {
    return line.substr(1, line.find(']') - 1);
}

std::string::size_type IniParser::GetStringLineEqualSignPos(const std::string& line) {
    return line.find('=');
}

// A line that starts with ':' falls to the colon-before-'=' rule.
bool IniParser::IsValueLineEffective(const std::string& line, std::string::size_type equal_pos) {
    if (equal_pos == std::string::npos)
        return false;
    if (line.find(':') < equal_pos) // a line without ':' finds npos, past every '='
        return false;
    if (AllOf(line, 0, equal_pos, " ")) // no key before the '='
        return false;
    return !AllOf(line, equal_pos, line.size(), " =:");
}

std::string IniParser::GetStringLineKey(const std::string& line, std::string::size_type equal_pos) {
    return WithoutOuterSpaces(line.substr(0, equal_pos));
}

std::string IniParser::GetStringLineValue(const std::string& line,
                                          std::string::size_type equal_pos) {
    const auto start = line.find_first_not_of(' ', equal_pos + 1);
    if (start == std::string::npos)
        return std::string();
    const auto end = line.find_first_of(" :", start);
    return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string IniParser::GetString(const std::string& section, const std::string& key,
                                 const std::string& default_value) const {
    const Entries* entries = SectionEntries(section);
    if (!entries)
        return default_value;
    for (const IniEntry& entry : *entries)
        if (entry.key == key)
            return entry.value;
    return default_value;
}

uint32_t IniParser::GetInteger(const std::string& section, const std::string& key,
                               uint32_t default_value) const {
    std::string text = GetString(section, key, NumberToString(default_value, std::dec));
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        text.erase(0, 1);
    // The stream would read a second sign itself and wrap the number round; refuse it.
    const auto first = text.find_first_not_of(" \t\n\v\f\r");
    if (first != std::string::npos && text[first] == '-')
        throw std::runtime_error("Invalid converstion for: " + text);
    const uint32_t number = StringToInteger<uint32_t>(text, std::dec);
    return negative ? static_cast<uint32_t>(0u - number) : number;
}

bool IniParser::GetBoolean(const std::string& section, const std::string& key,
                           bool default_value) const {
    std::string text = GetString(section, key, std::string());
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (text == "true" || text == "yes" || text == "1")
        return true;
    if (text == "false" || text == "no" || text == "0")
        return false;
    return default_value;
}

std::string trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool caseInsensitiveStringCompare(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::string::size_type i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
