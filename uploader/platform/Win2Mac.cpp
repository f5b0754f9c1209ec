// CString: a heap block of wide characters with its length; every string owns its block alone,
// and an operation that needs more room takes a new block of exactly the new length + 1.
// Used on whichever thread owns the string.
#include "Win2Mac.h"

#include <cassert>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

wchar_t* NewBlock(int length) {
    wchar_t* block =
        static_cast<wchar_t*>(calloc(static_cast<size_t>(length) + 1, sizeof(wchar_t)));
    return block;
}

// Widens a narrow text into a new block. In the "C" locale the C library refuses bytes of 128
// or more; such a text is widened byte by byte (Latin-1) instead of failing.
wchar_t* Widen(const char* text, int* length) {
    size_t count = mbstowcs(nullptr, text, 0);
    bool latin1 = count == static_cast<size_t>(-1);
    if (latin1)
        count = strlen(text);
    wchar_t* block = NewBlock(static_cast<int>(count));
    if (latin1) {
        for (size_t i = 0; i < count; ++i)
            block[i] = static_cast<unsigned char>(text[i]);
    } else {
        mbstowcs(block, text, count);
    }
    *length = static_cast<int>(count);
    return block;
}

} // namespace

CString::CString() {
    Init();
}

CString::CString(const CString& other) {
    m_nDataLength = other.m_nDataLength;
    m_pData = NewBlock(m_nDataLength);
    wcsncpy(m_pData, other.m_pData, static_cast<size_t>(m_nDataLength));
    m_pData[m_nDataLength] = 0;
}

CString::CString(const char* text) {
    m_pData = Widen(text != nullptr ? text : "", &m_nDataLength);
}

CString::~CString() {
    free(m_pData);
    m_pData = nullptr;
    m_nDataLength = 0;
}

void CString::Init() {
    m_pData = NewBlock(0);
    m_nDataLength = 0;
}

void CString::Empty() {
    free(m_pData);
    Init();
}

CString& CString::operator=(const CString& other) {
    if (this == &other)
        return *this;
    free(m_pData);
    m_pData = NewBlock(other.m_nDataLength);
    wcsncpy(m_pData, other.m_pData, static_cast<size_t>(other.m_nDataLength));
    m_nDataLength = other.m_nDataLength;
    m_pData[m_nDataLength] = 0;
    return *this;
}

CString& CString::operator=(const char* text) {
    return *this = CString(text);
}

void CString::ConcatCopy(int len1, const wchar_t* data1, int len2, const wchar_t* data2) {
    int total = len1 + len2;
    m_nDataLength = total;
    m_pData = NewBlock(total);
    wmemcpy(m_pData, data1, static_cast<size_t>(len1));
    wmemcpy(m_pData + len1, data2, static_cast<size_t>(len2));
    m_pData[total] = 0;
}

void CString::ConcatInPlace(int len, const wchar_t* data) {
    if (len == 0)
        return;
    wchar_t* old = m_pData;
    ConcatCopy(m_nDataLength, old, len, data);
    free(old);
}

CString& CString::operator+=(const CString& other) {
    ConcatInPlace(other.m_nDataLength, other.m_pData);
    return *this;
}

CString& CString::operator+=(wchar_t ch) {
    ConcatInPlace(1, &ch);
    return *this;
}

int CString::ReverseFind(wchar_t ch) const {
    const wchar_t* hit = wcsrchr(m_pData, ch);
    return hit == nullptr ? -1 : static_cast<int>(hit - m_pData);
}

CString CString::Mid(int first, int count) const {
    CString result;
    if (first < 0 || count <= 0 || first > m_nDataLength - count)
        return result;
    result.ConcatInPlace(count, m_pData + first);
    return result;
}

wchar_t CString::operator[](int nIndex) const {
    assert(nIndex >= 0 && nIndex < m_nDataLength);
    return m_pData[nIndex];
}
