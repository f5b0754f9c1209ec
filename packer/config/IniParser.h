// The reader of param.ini: loads the file once into sections of (key, value) entries and answers
// look-ups as text, unsigned number or Boolean with the caller's default. Its line grammar is
// narrow on purpose: a value ends at its first blank or colon.
#pragma once

#include <cstdint>
#include <ios>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

// One key/value line as stored: the value is what look-ups answer; rest is everything after
// the '=' without its outer blanks, so a value cut at a blank or colon can be noticed.
struct IniEntry {
    std::string key;
    std::string value;
    std::string rest;
    int line = 0;
};

class IniParser {
public:
    explicit IniParser(const std::string& path);
    ~IniParser() = default;
    IniParser(const IniParser&) = delete;
    IniParser& operator=(const IniParser&) = delete;

    // Whether the file can be opened right now; says nothing about what was loaded.
    bool IsIniReady() const;
    // Reads the file into the table; true in every case, also when it cannot be opened.
    bool LoadIniFile(const std::string& path);
    // The entries of a section in file order, or null when the table has no such section.
    const std::vector<IniEntry>* SectionEntries(const std::string& section) const;

    static bool IsSectionEffective(const std::string& line);
    static std::string GetStringSection(const std::string& line);
    static std::string::size_type GetStringLineEqualSignPos(const std::string& line);
    static bool IsValueLineEffective(const std::string& line, std::string::size_type equal_pos);
    static std::string GetStringLineKey(const std::string& line, std::string::size_type equal_pos);
    static std::string GetStringLineValue(const std::string& line,
                                          std::string::size_type equal_pos);

    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& default_value) const;
    // Decimal with an optional leading '-' (negated modulo 2^32); throws std::runtime_error
    // "Invalid converstion for: <text>" when no digit can be read.
    uint32_t GetInteger(const std::string& section, const std::string& key,
                        uint32_t default_value) const;
    bool GetBoolean(const std::string& section, const std::string& key, bool default_value) const;

private:
    using Entries = std::vector<IniEntry>;
    std::string m_path;
    std::map<std::string, Entries> m_sections;
};

template <typename Number>
std::string NumberToString(Number number, std::ios_base& (*manipulator)(std::ios_base&)) {
    std::ostringstream out;
    out << manipulator << number;
    return out.str();
}

template <typename Number>
Number StringToInteger(const std::string& text, std::ios_base& (*manipulator)(std::ios_base&)) {
    std::istringstream in(text);
    Number number{};
    in >> manipulator >> number;
    if (in.fail())
        throw std::runtime_error("Invalid converstion for: " + text);
    return number;
}

// Text without leading and trailing space, tab, CR and LF.
std::string trim(const std::string& text);
bool caseInsensitiveStringCompare(const std::string& a, const std::string& b);
