#pragma once
// CString: a reference-counted narrow string. Copies share one buffer until one of them is changed.
//
// The program's texts are UTF-8, whatever the system's ANSI code page: the literals in the
// sources, the strings made with Format, and what comes from Windows (device names, resources,
// the version resource, paths). They cross into and out of the window system only through its
// wide-character calls, converted at that boundary (afxconv.h), never through the narrow ones,
// which would turn every character outside the code page into "?" or a look-alike. A length is
// a count of bytes.
#include <windows.h>

#include <cstdarg>

class CString {
public:
    CString();
    CString(const char* text);  // null gives an empty string
    CString(const char* text, int length);
    CString(const CString& other);
    CString& operator=(const CString& other);
    CString& operator=(const char* text);
    ~CString();

    int GetLength() const;
    bool IsEmpty() const { return GetLength() == 0; }
    const char* GetString() const { return m_text; }
    operator const char*() const { return m_text; }
    void Empty();

    CString& operator+=(const CString& text);
    CString& operator+=(const char* text);

    // printf-style; the result replaces the contents.
    void Format(const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));
    void FormatV(const char* format, va_list args);

    // Direct writing: GetBuffer gives room for at least minLength characters plus the zero;
    // ReleaseBuffer takes the new length (-1: up to the first zero byte).
    char* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

    // The string resource of the program's resource module; false (and empty) if missing.
    bool LoadString(unsigned int id);


private:
    struct Data;
    static Data* EmptyData();
    static Data* NewData(int capacity);
    static void AddRef(Data* data);
    static void ReleaseData(Data* data);
    Data* GetData() const;
    void Assign(const char* text, int length);
    void Append(const char* text, int length);
    void MakeUnique(int capacity);

    char* m_text;  // the text inside a shared Data block
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
