// CString: the upload tool's wide-character string with value semantics, for device file and
// folder names, AT command parameters and decoded replies. Not safe for concurrent use; distinct
// strings never share storage, so each thread may use its own.
#pragma once

#include <wchar.h>

class CString {
public:
    CString();
    CString(const CString& other);
    CString(const wchar_t* text);
    CString(const char* text);
    ~CString();

    // Takes a fresh empty block without releasing a previous one (for storage holding none).
    void Init();
    // Releases the block and becomes the empty string.
    void Empty();

    CString& operator=(const CString& other);
    CString& operator=(const wchar_t* text);
    CString& operator=(const char* text);

    CString& operator+=(const wchar_t* text);
    CString& operator+=(const CString& other);
    CString& operator+=(wchar_t ch); // a zero character counts in the length

    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const wchar_t* b);
    friend CString operator+(const wchar_t* a, const CString& b);

    bool IsEmpty() const { return m_nDataLength == 0; }
    int GetDataLength() const { return m_nDataLength; }
    const wchar_t* GetData() const { return m_pData; }

    // Index of the first occurrence at or after start, -1 when absent or start is out of range.
    int Find(wchar_t ch, int start = 0) const;
    int Find(const wchar_t* needle, int start = 0) const;
    int FindOneOf(const wchar_t* set) const;
    int ReverseFind(wchar_t ch) const;
    // count characters from first; empty when the range is negative or runs past the end.
    CString Mid(int first, int count) const;
    // Asserts 0 <= index < length.
    wchar_t operator[](int index) const;

    // Remove tab, line feed, carriage return and space.
    void TrimRight();
    void TrimLeft();
    // Both return the length afterwards; a negative index or empty insertion changes nothing.
    int Insert(int index, wchar_t ch);
    int Insert(int index, const wchar_t* text);
    // Grows the block (losing its text) to minLength when shorter; returns the writable block.
    wchar_t* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);
    // Formats with %c %s (wide arguments) and the numeric directives; the block is sized by an
    // estimate of the result. Arguments must not point into this string.
    void Format(const wchar_t* format, ...);

    void ConcatCopy(int len1, const wchar_t* data1, int len2, const wchar_t* data2);
    void ConcatInPlace(int len, const wchar_t* data);

private:
    wchar_t* m_pData;
    int m_nDataLength;
};
