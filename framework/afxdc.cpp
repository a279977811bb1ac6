#include "framework/afxdc.h"

#include "framework/afxconv.h"
#include "framework/afxwnd.h"

void CDC::FillSolidRect(int x, int y, int width, int height, COLORREF color) {
    RECT rect = {x, y, x + width, y + height};
    FillSolidRect(&rect, color);
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF color) {
    ::SetBkColor(m_hDC, color);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
}

CClientDC::CClientDC(CWnd* window) : m_hWnd(window ? window->m_hWnd : nullptr) { m_hDC = ::GetDC(m_hWnd); }

CClientDC::~CClientDC() {
    if (m_hDC) ::ReleaseDC(m_hWnd, m_hDC);
}

CPaintDC::CPaintDC(CWnd* window) : m_hWnd(window->m_hWnd) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }

CPaintDC::~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }

BOOL CDC::TextOut(int x, int y, const char* text, int length) {
    std::wstring wide = AfxToWide(text, length);
    return ::TextOutW(m_hDC, x, y, wide.c_str(), (int)wide.size());
}
