#include "framework/afxdataexchange.h"

#include "framework/afxwnd.h"

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (control.m_hWnd) return;
    control.SubclassDlgItem((UINT)id, dx->m_pDlgWnd);
}

void DDX_Text(CDataExchange* dx, int id, CString& value) {
    HWND item = ::GetDlgItem(dx->m_pDlgWnd->m_hWnd, id);
    if (!item) return;
    if (dx->m_bSaveAndValidate) {
        int length = ::GetWindowTextLengthA(item);
        char* buffer = value.GetBuffer(length);
        int copied = ::GetWindowTextA(item, buffer, length + 1);
        value.ReleaseBuffer(copied >= 0 && copied <= length ? copied : 0);
    } else {
        ::SetWindowTextA(item, value);
    }
}
