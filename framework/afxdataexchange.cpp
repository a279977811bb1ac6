#include "framework/afxdataexchange.h"

#include "framework/afxwnd.h"

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (control.m_hWnd) return;
    control.SubclassDlgItem((UINT)id, dx->m_pDlgWnd);
}

void DDX_Text(CDataExchange* dx, int id, CString& value) {
    HWND item = ::GetDlgItem(dx->m_pDlgWnd->m_hWnd, id);
    if (!item) return;
    if (dx->m_bSaveAndValidate) value = AfxGetWindowText(item);
    else AfxSetWindowText(item, value);
}
