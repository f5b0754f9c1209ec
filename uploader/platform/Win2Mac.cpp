// CString: a heap block of wide characters with its length; every string owns its block alone,
// and an operation that needs more room takes a new block of exactly the new length + 1.
// Used on whichever thread owns the string.
#include "Win2Mac.h"

#include <cassert>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

// Widths the Format estimate gives each conversion instead of its letter.
const int FORMAT_INTEGER_WIDTH = 32;
const int FORMAT_FLOAT_WIDTH = 128;

wchar_t* NewBlock(int length) {
    wchar_t* block =
        static_cast<wchar_t*>(calloc(static_cast<size_t>(length) + 1, sizeof(wchar_t)));
    return block;
}

bool IsBlank(wchar_t ch) {
    return ch == L'\t' || ch == L'\n' || ch == L'\r' || ch == L' ';
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

// Length estimate of Format: every format character counts 1, a conversion letter instead adds
// the width of its argument. Consumes the arguments in the order the format names them.
int EstimateFormat(const wchar_t* format, va_list args) {
    int estimate = 0;
    for (const wchar_t* p = format; *p != 0; ++p) {
        if (*p != L'%') {
            ++estimate;
            continue;
        }
        ++estimate; // the '%'
        for (++p; *p != 0; ++p) {
            if (wcschr(L"cCdiouxX", *p) != nullptr) {
                (void)va_arg(args, int);
                estimate += FORMAT_INTEGER_WIDTH;
                break;
            }
            if (wcschr(L"efgG", *p) != nullptr) {
                (void)va_arg(args, double);
                estimate += FORMAT_FLOAT_WIDTH;
                break;
            }
            if (*p == L's') {
                const wchar_t* text = va_arg(args, const wchar_t*);
                if (text != nullptr && *text != 0)
                    estimate += static_cast<int>(wcslen(text)) + 1;
                break;
            }
            ++estimate; // flags, width, precision, length modifiers
        }
        if (*p == 0)
            break;
    }
    return estimate;
}

} // namespace

CString::CString() {
    Init();
}

CString::CString(const CString& other) {
    if (other.m_nDataLength == 0) {
        Init();
        return;
    }
    m_nDataLength = other.m_nDataLength;
    m_pData = NewBlock(m_nDataLength);
    wcsncpy(m_pData, other.m_pData, static_cast<size_t>(m_nDataLength));
    m_pData[m_nDataLength] = 0;
}

CString::CString(const wchar_t* text) {
    if (text == nullptr || *text == 0) {
        Init();
        return;
    }
    m_nDataLength = static_cast<int>(wcslen(text));
    m_pData = NewBlock(m_nDataLength);
    wcscpy(m_pData, text);
}

CString::CString(const char* text) {
    if (text == nullptr || *text == 0) {
        Init();
        return;
    }
    m_pData = Widen(text, &m_nDataLength);
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
    if (other.m_nDataLength == 0) {
        Empty();
        return *this;
    }
    if (other.m_nDataLength > m_nDataLength) {
        free(m_pData);
        m_pData = NewBlock(other.m_nDataLength);
    }
    wcsncpy(m_pData, other.m_pData, static_cast<size_t>(other.m_nDataLength));
    m_nDataLength = other.m_nDataLength;
    m_pData[m_nDataLength] = 0;
    return *this;
}

CString& CString::operator=(const wchar_t* text) {
    if (text == nullptr || *text == 0) {
        Empty();
        return *this;
    }
    int length = static_cast<int>(wcslen(text));
    if (length > m_nDataLength) {
        wchar_t* block = NewBlock(length);
        wcscpy(block, text); // text may point into the old block
        free(m_pData);
        m_pData = block;
    } else {
        wmemmove(m_pData, text, static_cast<size_t>(length) + 1);
    }
    m_nDataLength = length;
    return *this;
}

CString& CString::operator=(const char* text) {
    return *this = CString(text);
}

void CString::ConcatCopy(int len1, const wchar_t* data1, int len2, const wchar_t* data2) {
    int total = len1 + len2;
    m_nDataLength = total;
    if (total == 0)
        return;
    m_pData = NewBlock(total);
    if (len1 > 0)
        wmemcpy(m_pData, data1, static_cast<size_t>(len1));
    if (len2 > 0)
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

CString& CString::operator+=(const wchar_t* text) {
    if (text != nullptr && *text != 0)
        ConcatInPlace(static_cast<int>(wcslen(text)), text);
    return *this;
}

CString& CString::operator+=(const CString& other) {
    ConcatInPlace(other.m_nDataLength, other.m_pData);
    return *this;
}

CString& CString::operator+=(wchar_t ch) {
    ConcatInPlace(1, &ch);
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, const wchar_t* b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const wchar_t* a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

int CString::Find(wchar_t ch, int start) const {
    if (static_cast<unsigned>(start) >= static_cast<unsigned>(m_nDataLength))
        return -1;
    const wchar_t* hit = wcschr(m_pData + start, ch);
    return hit == nullptr ? -1 : static_cast<int>(hit - m_pData);
}

int CString::Find(const wchar_t* needle, int start) const {
    if (needle == nullptr || *needle == 0 ||
        static_cast<unsigned>(start) > static_cast<unsigned>(m_nDataLength))
        return -1;
    const wchar_t* hit = wcsstr(m_pData + start, needle);
    return hit == nullptr ? -1 : static_cast<int>(hit - m_pData);
}

int CString::FindOneOf(const wchar_t* set) const {
    if (set == nullptr || *set == 0)
        return -1;
    const wchar_t* hit = wcspbrk(m_pData, set);
    return hit == nullptr ? -1 : static_cast<int>(hit - m_pData);
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

void CString::TrimRight() {
    int length = m_nDataLength;
    while (length > 0 && IsBlank(m_pData[length - 1]))
        --length;
    m_nDataLength = length;
    m_pData[length] = 0;
}

void CString::TrimLeft() {
    int run = 0;
    while (run < m_nDataLength && IsBlank(m_pData[run]))
        ++run;
    if (run == 0)
        return;
    wmemmove(m_pData, m_pData + run, static_cast<size_t>(m_nDataLength - run));
    m_nDataLength -= run;
    m_pData[m_nDataLength] = 0;
}

int CString::Insert(int index, wchar_t ch) {
    if (index < 0 || ch == 0)
        return m_nDataLength;
    wchar_t text[2] = {ch, 0};
    return Insert(index, text);
}

int CString::Insert(int index, const wchar_t* text) {
    if (index < 0 || text == nullptr || *text == 0)
        return m_nDataLength;
    int position = index < m_nDataLength ? index : m_nDataLength;
    int inserted = static_cast<int>(wcslen(text));
    int length = m_nDataLength + inserted;
    wchar_t* block = NewBlock(length);
    wmemcpy(block, m_pData, static_cast<size_t>(position));
    wmemcpy(block + position, text, static_cast<size_t>(inserted));
    wmemcpy(block + position + inserted, m_pData + position,
            static_cast<size_t>(m_nDataLength - position));
    block[length] = 0;
    free(m_pData);
    m_pData = block;
    m_nDataLength = length;
    return m_nDataLength;
}

wchar_t* CString::GetBuffer(int minLength) {
    if (m_nDataLength >= minLength)
        return m_pData;
    free(m_pData);
    m_pData = NewBlock(minLength);
    m_nDataLength = minLength;
    return m_pData;
}

// The length stays what GetBuffer set unless the caller names a new one that fits the block.
void CString::ReleaseBuffer(int newLength) {
    if (newLength >= 0 && newLength <= m_nDataLength) {
        m_nDataLength = newLength;
        m_pData[newLength] = 0;
    }
}

// A text that does not fit the estimate leaves the string empty rather than half-formatted.
void CString::Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    va_list estimateArgs;
    va_copy(estimateArgs, args);
    int estimate = EstimateFormat(format, estimateArgs);
    va_end(estimateArgs);

    free(m_pData);
    m_pData = NewBlock(estimate);
    size_t formatLength = wcslen(format);
    wchar_t* wideFormat = NewBlock(static_cast<int>(formatLength));
    wcscpy(wideFormat, format);
    for (size_t i = 1; i < formatLength; ++i) {
        if (wideFormat[i - 1] != L'%')
            continue;
        if (wideFormat[i] == L'c')
            wideFormat[i] = L'C';
        else if (wideFormat[i] == L's')
            wideFormat[i] = L'S';
    }
    int written = vswprintf(m_pData, static_cast<size_t>(estimate), wideFormat, args);
    va_end(args);
    free(wideFormat);
    if (written < 0)
        written = 0;
    m_nDataLength = written;
    m_pData[written] = 0;
}
