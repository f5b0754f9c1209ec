// Field extraction from the response line held in the command context, and the parsers that
// turn one information line into one result line. Run on the serial reader thread under the
// context's response lock.
#include "comm_parser.h"

#include <cassert>
#include <cstring>

#include "comm.h"

namespace {

const char kColon = ':';
const char kComma = ',';
const char kQuote = '"';
const char kSpace = ' ';

struct FieldSpan {
    int first; // first character of the field
    int last;  // one past its last character
};

// The field after the separator at start (-1: none, the field begins at 0) up to end, with the
// leading spaces skipped; never outside the string, never reversed.
FieldSpan fieldSpan(const char* s, int start, int end) {
    int length = static_cast<int>(std::strlen(s));
    int first = start + 1;
    if (first > length)
        first = length;
    while (s[first] == kSpace) // the terminator ends the run
        ++first;
    int last = end > length ? length : end;
    if (last < first)
        last = first;
    return FieldSpan{first, last};
}

// A separator that is missing as the end of a field lets the field run to the end of the line.
int endOrLength(int idx, int length) {
    return idx == -1 ? length : idx;
}

// End of a field that starts after separator startSep: a field whose opening separator is
// missing is empty (start -1, end 0), otherwise it runs to endSep or the end of the line.
int fieldEnd(int startSep, int endSep, int length) {
    return startSep == -1 ? 0 : endOrLength(endSep, length);
}

tagMEFSM* contextOf(void* context) {
    return static_cast<tagMEFSM*>(context);
}

struct ParsedLine {
    const char* text;
    int length;
};

ParsedLine currentLine(void* context) {
    const char* text = contextOf(context)->m_LineBuf;
    return ParsedLine{text, static_cast<int>(std::strlen(text))};
}

void appendInteger(ATParamLst& list, const ParsedLine& line, int start, int end) {
    list.push_back(ATParamElem::Integer(GetInteger(line.text, start, end)));
}

template <size_t Limit>
void appendText(ATParamLst& list, const ParsedLine& line, int start, int end) {
    char field[Limit + 1];
    GetString(line.text, field, start, end, sizeof field);
    list.push_back(ATParamElem::Text(field));
}

// Appends the finished line to the result object, if the command has one.
void commitLine(void* context, ATParamLst& list) {
    ATResult* result = contextOf(context)->m_pResult;
    if (result != nullptr)
        result->vParamLst.push_back(list);
}

ATParamLst startLine(void* context) {
    ATParamLst list;
    AddExpectedCmd(context, list);
    return list;
}

int nth(const ParsedLine& line, char c, int n) {
    return GetSignIdx(line.text, c, n);
}

// key, colon, number, then optionally a comma and more: one integer field.
void parseLeadingNumber(void* context) {
    ParsedLine line = currentLine(context);
    ATParamLst list = startLine(context);
    appendInteger(list, line, nth(line, kColon, 1), endOrLength(nth(line, kComma, 1), line.length));
    commitLine(context, list);
}

} // namespace

int GetSignIdx(const char* s, char c, int n) {
    int seen = 0;
    for (int i = 0; s[i] != '\0'; ++i) {
        if (s[i] == c && ++seen == n)
            return i;
    }
    return -1;
}

int GetInteger(const char* s, int start, int end) {
    FieldSpan span = fieldSpan(s, start, end);
    char digits[ME_INTEGER_FIELD_MAX + 1];
    int count = span.last - span.first;
    if (count > ME_INTEGER_FIELD_MAX)
        count = ME_INTEGER_FIELD_MAX;
    std::memcpy(digits, s + span.first, static_cast<size_t>(count));
    digits[count] = '\0';
    return me_atoi(digits); // 0 for an empty field
}

int GetString(const char* s, char* dst, int start, int end, size_t dstSize) {
    assert(dstSize > 0);
    FieldSpan span = fieldSpan(s, start, end);
    size_t count = static_cast<size_t>(span.last - span.first);
    if (count > dstSize - 1)
        count = dstSize - 1;
    std::memcpy(dst, s + span.first, count);
    dst[count] = '\0';
    return static_cast<int>(count);
}

void AddExpectedCmd(void* context, ATParamLst& list) {
    list.push_back(ATParamElem::Text(contextOf(context)->m_ExpectedPrefix));
}

void ME_Get_DT_status_Parser(void* context, void*) {
    ParsedLine line = currentLine(context);
    ATParamLst list = startLine(context);
    int comma = nth(line, kComma, 1);
    appendInteger(list, line, nth(line, kColon, 1), endOrLength(comma, line.length));
    appendInteger(list, line, comma, fieldEnd(comma, -1, line.length));
    commitLine(context, list);
}

void ME_Get_DirFileListInfo_Parser(void* context, void*) {
    ParsedLine line = currentLine(context);
    ATParamLst list = startLine(context);
    int quote = nth(line, kQuote, 1);
    appendText<ME_LIST_NAME_MAX>(list, line, quote,
                                 fieldEnd(quote, nth(line, kQuote, 2), line.length));
    int comma = nth(line, kComma, 1);
    int second = nth(line, kComma, 2);
    appendInteger(list, line, comma, fieldEnd(comma, second, line.length));
    // The entry's kind (1 for a folder) follows when the device sends it.
    if (second >= 0 && second + 1 < line.length)
        appendInteger(list, line, second, fieldEnd(second, nth(line, kComma, 3), line.length));
    commitLine(context, list);
}

void ME_Get_DriverInfo_Parser(void* context, void*) {
    ParsedLine line = currentLine(context);
    ATParamLst list = startLine(context);
    int opening = nth(line, kQuote, 1);
    int closing = nth(line, kQuote, 2);
    appendText<ME_DRIVE_NAME_MAX>(list, line, opening,
                                  fieldEnd(opening, closing >= 0 ? closing : line.length - 1, 0));
    commitLine(context, list);
}

void ME_Get_AvailableSize_Parser(void* context, void*) {
    parseLeadingNumber(context);
}

void ME_GetPacketSize_Parser(void* context, void*) {
    parseLeadingNumber(context);
}

void ME_ReadTargetFile_Parser(void* context, void*) {
    ParsedLine line = currentLine(context);
    ATParamLst list = startLine(context);
    int k1 = nth(line, kComma, 1);
    int k2 = nth(line, kComma, 2);
    int k3 = nth(line, kComma, 3);
    appendInteger(list, line, nth(line, kColon, 1), endOrLength(k1, line.length));
    appendInteger(list, line, k1, fieldEnd(k1, k2, line.length));
    appendInteger(list, line, k2, fieldEnd(k2, k3, line.length));
    int quote = nth(line, kQuote, 1);
    appendText<ME_READ_DATA_MAX>(list, line, quote,
                                 fieldEnd(quote, nth(line, kQuote, 2), line.length));
    commitLine(context, list);
}
