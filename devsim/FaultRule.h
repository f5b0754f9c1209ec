// Fault injection: a rule picks commands by a text pattern and says what the device does
// with them instead of carrying them out (answer "ERROR", "+CME ERROR: n", or nothing).
#pragma once

#include <string>

namespace devsim {

class FaultRule {
public:
    // Reads "PATTERN[=CODE][@N]" (with `withCode`) or "PATTERN[@N]". PATTERN is found
    // anywhere in the command line unless it starts with "^" (anchored at the start) or
    // ends with "$" (anchored at the end). "@N" hits only the N-th matching command.
    // A trailing "=digits" is always read as CODE. False with a message for an empty
    // pattern or a bad number.
    bool Parse(const std::string& text, bool withCode, std::string& error);

    // Counts a matching command and tells whether this one is hit.
    bool Hits(const std::string& commandLine);

    bool HasCode() const { return m_code >= 0; }
    long Code() const { return m_code; }

private:
    bool Matches(const std::string& commandLine) const;

    std::string m_pattern;
    bool m_anchorStart = false;
    bool m_anchorEnd = false;
    long m_code = -1;
    long m_nth = 0;
    long m_seen = 0;
};

} // namespace devsim
