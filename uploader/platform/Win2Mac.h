// CString: the upload tool's wide-character string with value semantics, for device file and
// folder names, AT command parameters and decoded replies. Not safe for concurrent use; distinct
// strings never share storage, so each thread may use its own.
#pragma once

#include <wchar.h>

class CString {
public:
    CString();
    CString(const CString& other);
    CString(const char* text);
    ~CString();

    // Releases the block and becomes the empty string.
    void Empty();

    CString& operator=(const CString& other);
    CString& operator=(const char* text);

    CString& operator+=(const CString& other);
    CString& operator+=(wchar_t ch); // a zero character counts in the length

    bool IsEmpty() const { return m_nDataLength == 0; }
    int GetDataLength() const { return m_nDataLength; }
    const wchar_t* GetData() const { return m_pData; }

    // Index of the last occurrence of ch, -1 when absent.
    int ReverseFind(wchar_t ch) const;
    // count characters from first; empty when the range is negative or runs past the end.
    CString Mid(int first, int count) const;
    // Asserts 0 <= index < length.
    wchar_t operator[](int index) const;

private:
    // Takes a fresh empty block without releasing a previous one (for storage holding none).
    void Init();
    void ConcatCopy(int len1, const wchar_t* data1, int len2, const wchar_t* data2);
    void ConcatInPlace(int len, const wchar_t* data);

    wchar_t* m_pData;
    int m_nDataLength;
};
