// The result model of one AT command: lookup of lines and parameters by index for the caller
// (main thread) once the command has ended.
#include "ATResult.h"

#include <cassert>

ATParamElem ATParamElem::Text(const std::string& text) {
    ATParamElem elem;
    elem.m_nType = ATPARAM_TEXT;
    elem.m_strValue = text;
    return elem;
}

ATParamElem ATParamElem::Integer(int value) {
    ATParamElem elem;
    elem.m_nType = ATPARAM_INTEGER;
    elem.m_nValue = value;
    return elem;
}

const ATParamElem* ATResult::element(int line, int elem) const {
    // A negative index becomes a huge one and is refused with the others.
    if (static_cast<size_t>(line) >= vParamLst.size())
        return nullptr;
    const ATParamLst& list = vParamLst[static_cast<size_t>(line)];
    if (static_cast<size_t>(elem) >= list.size())
        return nullptr;
    return &list[static_cast<size_t>(elem)];
}

bool ATResult::check_key(const char* key) const {
    assert(key != nullptr);
    const ATParamElem* first = element(0, 0);
    const std::string empty;
    const std::string& text = first != nullptr ? first->m_strValue : empty;
    return text == key;
}

bool ATResult::get_string(std::string& out, int line, int elem) const {
    const ATParamElem* found = element(line, elem);
    if (found == nullptr || found->m_nType != ATPARAM_TEXT)
        return false;
    out = found->m_strValue;
    return true;
}

int ATResult::get_integer(int line, int elem) const {
    const ATParamElem* found = element(line, elem);
    if (found == nullptr || found->m_nType != ATPARAM_INTEGER)
        return -1;
    return found->m_nValue;
}
