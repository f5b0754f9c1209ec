// The parsed reply of one AT command: its result code and its information lines, field by
// field. Created empty by the caller on its stack, filled by the parsers on the serial reader
// thread while the caller waits, read by the caller afterwards.
#pragma once

#include <string>
#include <vector>

// Kinds of a parameter of a response line.
enum ATPARAM_KIND_ENUM { ATPARAM_TEXT = 1, ATPARAM_INTEGER = 3 };

// One parameter of a response line.
class ATParamElem {
public:
    ATParamElem() = default;
    static ATParamElem Text(const std::string& text);
    static ATParamElem Integer(int value);

    int m_nType = 0; // ATPARAM_KIND_ENUM; every producer sets it
    std::string m_strValue;
    int m_nValue = 0;
};

// One response line: element 0 is the line's key (the command's expected prefix), the
// parameters follow from element 1 on.
typedef std::vector<ATParamElem> ATParamLst;

class ATResult {
public:
    // Whether element 0 of line 0 equals the key, which is not null (an absent line or element
    // counts as empty text).
    bool check_key(const char* key) const;

    // Copies the text of element elem of line line. False, leaving out unchanged, when the line
    // or element does not exist or is not text.
    bool get_string(std::string& out, int line, int elem) const;

    // The integer value of element elem of line line, or -1 when it does not exist or is not
    // an integer.
    int get_integer(int line, int elem) const;

    int resultcode = 0;
    std::vector<ATParamLst> vParamLst;

private:
    const ATParamElem* element(int line, int elem) const;
};
