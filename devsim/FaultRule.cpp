// Pattern, error code and occurrence of one fault option.
#include "FaultRule.h"

#include <cctype>
#include <cstdlib>

namespace devsim {

namespace {

// Nine digits at most: every number stays far inside a long, and an occurrence has no upper
// bound to check.
const size_t kMaxDigits = 9;

// Splits a trailing "<mark>digits" off `text` into `number`; false when there is none.
bool SplitTrailingNumber(std::string& text, char mark, long& number) {
    size_t at = text.rfind(mark);
    if (at == std::string::npos || at + 1 == text.size())
        return false;
    for (size_t i = at + 1; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    if (text.size() - at - 1 > kMaxDigits)
        return false;
    number = std::strtol(text.c_str() + at + 1, nullptr, 10);
    text.erase(at);
    return true;
}

} // namespace

bool FaultRule::Parse(const std::string& text, bool withCode, std::string& error) {
    std::string rest = text;
    long nth = 0;
    if (SplitTrailingNumber(rest, '@', nth) && nth < 1) {
        error = "occurrence must be 1 or more in '" + text + "'";
        return false;
    }
    long code = -1;
    if (withCode)
        SplitTrailingNumber(rest, '=', code);
    if (!rest.empty() && rest.front() == '^') {
        m_anchorStart = true;
        rest.erase(0, 1);
    }
    if (!rest.empty() && rest.back() == '$') {
        m_anchorEnd = true;
        rest.pop_back();
    }
    if (rest.empty() && !(m_anchorStart && m_anchorEnd)) {
        error = "empty pattern in '" + text + "'";
        return false;
    }
    m_pattern = rest;
    m_code = code;
    m_nth = nth;
    return true;
}

bool FaultRule::Matches(const std::string& line) const {
    if (m_pattern.size() > line.size())
        return false;
    if (m_anchorStart && m_anchorEnd)
        return line == m_pattern;
    if (m_anchorStart)
        return line.compare(0, m_pattern.size(), m_pattern) == 0;
    if (m_anchorEnd)
        return line.compare(line.size() - m_pattern.size(), m_pattern.size(), m_pattern) == 0;
    return line.find(m_pattern) != std::string::npos;
}

bool FaultRule::Hits(const std::string& commandLine) {
    if (!Matches(commandLine))
        return false;
    ++m_seen;
    return m_nth == 0 || m_seen == m_nth;
}

} // namespace devsim
