#include "framework/afxstring.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

struct CString::Data {
    std::atomic<long> refs;  // the shared empty block is never released
    int length;
    int capacity;  // characters, not counting the terminating zero
    char text[1];
};

// The empty string needs no allocation; its block lives for the whole process.
CString::Data* CString::EmptyData() {
    static Data empty{{1}, 0, 0, {0}};
    return &empty;
}

CString::Data* CString::NewData(int capacity) {
    void* memory = std::malloc(offsetof(Data, text) + capacity + 1);
    if (!memory) std::abort();  // out of memory: nothing sensible is left to do
    auto* data = new (memory) Data;
    data->refs = 1;
    data->length = 0;
    data->capacity = capacity;
    data->text[0] = 0;
    return data;
}

void CString::AddRef(Data* data) {
    if (data != EmptyData()) data->refs.fetch_add(1, std::memory_order_relaxed);
}

void CString::ReleaseData(Data* data) {
    if (data != EmptyData() && data->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        data->~Data();
        std::free(data);
    }
}

CString::Data* CString::GetData() const {
    return reinterpret_cast<Data*>(m_text - offsetof(Data, text));
}

CString::CString() : m_text(EmptyData()->text) {}

CString::CString(const char* text) : m_text(EmptyData()->text) {
    if (text) Assign(text, (int)std::strlen(text));
}

CString::CString(const char* text, int length) : m_text(EmptyData()->text) {
    if (text && length > 0) Assign(text, length);
}

CString::CString(const CString& other) : m_text(other.m_text) { AddRef(GetData()); }

CString& CString::operator=(const CString& other) {
    Data* old = GetData();
    m_text = other.m_text;
    AddRef(GetData());
    ReleaseData(old);
    return *this;
}

CString& CString::operator=(const char* text) {
    if (!text) {
        Empty();
    } else {
        // The text may point into this very string: copy before releasing.
        CString copy(text);
        *this = copy;
    }
    return *this;
}

CString::~CString() { ReleaseData(GetData()); }

int CString::GetLength() const { return GetData()->length; }

void CString::Empty() {
    ReleaseData(GetData());
    m_text = EmptyData()->text;
}

void CString::Assign(const char* text, int length) {
    Data* data = NewData(length);
    std::memcpy(data->text, text, length);
    data->text[length] = 0;
    data->length = length;
    ReleaseData(GetData());
    m_text = data->text;
}

void CString::MakeUnique(int capacity) {
    Data* old = GetData();
    if (old != EmptyData() && old->refs.load(std::memory_order_acquire) == 1 && old->capacity >= capacity)
        return;
    if (capacity < old->length) capacity = old->length;
    Data* data = NewData(capacity);
    std::memcpy(data->text, old->text, old->length + 1);
    data->length = old->length;
    ReleaseData(old);
    m_text = data->text;
}

void CString::Append(const char* text, int length) {
    if (length <= 0) return;
    int oldLength = GetLength();
    if (text >= m_text && text <= m_text + oldLength) {
        CString copy(text, length);  // appending a part of ourselves
        Append(copy.m_text, length);
        return;
    }
    MakeUnique(oldLength + length);
    std::memcpy(m_text + oldLength, text, length);
    m_text[oldLength + length] = 0;
    GetData()->length = oldLength + length;
}

CString& CString::operator+=(const CString& text) {
    CString keep(text);  // the same buffer may be ours
    Append(keep.m_text, keep.GetLength());
    return *this;
}

CString& CString::operator+=(const char* text) {
    if (text) Append(text, (int)std::strlen(text));
    return *this;
}

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::FormatV(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) {
        Empty();
        return;
    }
    Data* data = NewData(length);
    std::vsnprintf(data->text, length + 1, format, args);
    data->length = length;
    ReleaseData(GetData());
    m_text = data->text;
}

char* CString::GetBuffer(int minLength) {
    MakeUnique(minLength < 0 ? 0 : minLength);
    return m_text;
}

void CString::ReleaseBuffer(int newLength) {
    Data* data = GetData();
    if (data == EmptyData()) return;
    if (newLength < 0 || newLength > data->capacity) {
        m_text[data->capacity] = 0;
        newLength = (int)std::strlen(m_text);
    }
    m_text[newLength] = 0;
    data->length = newLength;
}

CString operator+(const CString& a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, const char* b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const char* a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}
