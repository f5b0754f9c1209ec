// The check of param.ini for build scripts: what the reader would silently turn into a default
// or a shorter value. Messages name the file and the line, compiler style.
#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "ParamOption.h"

namespace {

constexpr char kUnreadable[] = "cannot read %s: %s; every parameter takes its default";
constexpr char kNoSection[] = "%s has no [Param] section; every parameter takes its default";
constexpr char kUnknownKey[] = "%s:%d: unknown key %s (nearest known key: %s)";
constexpr char kCutText[] = "%s:%d: %s=%s is cut at a blank or colon: it stores \"%s\"";
constexpr char kNegative[] = "%s:%d: %s=%s has a minus sign: the number wraps round to 2^32 - n";
constexpr char kTrailing[] = "%s:%d: %s=%s has characters after its digits, which are ignored";
constexpr char kNotDecimal[] = "%s:%d: %s=%s is not a decimal number";

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    std::string text(size_t(length) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), format, again);
    va_end(again);
    va_end(args);
    text.pop_back();
    return text;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Edits (insert, delete, change, swap of neighbours) between two texts, letter case ignored,
// so that "Verison" and "appname" both find their key.
size_t EditDistance(const std::string& a_text, const std::string& b_text) {
    const std::string a = Lower(a_text), b = Lower(b_text);
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

const ParamKey* KnownKey(const std::string& key) {
    for (size_t i = 0; i < PARAM_KEY_COUNT; ++i)
        if (key == PARAM_KEYS[i].key)
            return &PARAM_KEYS[i];
    return nullptr;
}

const char* NearestKey(const std::string& key) {
    const ParamKey* nearest = &PARAM_KEYS[0];
    for (size_t i = 1; i < PARAM_KEY_COUNT; ++i)
        if (EditDistance(key, PARAM_KEYS[i].key) < EditDistance(key, nearest->key))
            nearest = &PARAM_KEYS[i];
    return nearest->key;
}

bool AllDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// The problem of one entry, or an empty text.
std::string EntryProblem(const std::string& path, const IniEntry& entry) {
    const ParamKey* known = KnownKey(entry.key);
    const char* file = path.c_str();
    if (!known)
        return Format(kUnknownKey, file, entry.line, entry.key.c_str(), NearestKey(entry.key));
    if (known->type == ParamType::Text && entry.value != entry.rest)
        return Format(kCutText, file, entry.line, entry.key.c_str(), entry.rest.c_str(),
                      entry.value.c_str());
    if (known->type != ParamType::Number || AllDigits(entry.rest))
        return std::string();
    const char* key = entry.key.c_str();
    const char* rest = entry.rest.c_str();
    if (rest[0] == '-')
        return Format(kNegative, file, entry.line, key, rest);
    if (std::isdigit(static_cast<unsigned char>(rest[0])))
        return Format(kTrailing, file, entry.line, key, rest);
    return Format(kNotDecimal, file, entry.line, key, rest);
}

} // namespace

std::vector<std::string> ParamOption::Problems() const {
    if (!m_parser->IsIniReady()) {
        std::unique_ptr<FILE, int (*)(FILE*)> probe(std::fopen(m_path.c_str(), "r"), std::fclose);
        const std::string reason = probe ? "not readable as text" : std::strerror(errno);
        return {Format(kUnreadable, m_path.c_str(), reason.c_str())};
    }
    const std::vector<IniEntry>* entries = m_parser->SectionEntries(PARAM_SECTION);
    if (!entries)
        return {Format(kNoSection, m_path.c_str())};
    std::vector<std::string> problems;
    for (const IniEntry& entry : *entries) {
        std::string problem = EntryProblem(m_path, entry);
        if (!problem.empty())
            problems.push_back(std::move(problem));
    }
    return problems;
}
