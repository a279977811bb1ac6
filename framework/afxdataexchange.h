#pragma once
// Dialog data exchange: attaching control objects and moving texts between controls and members.
#include "framework/afxstring.h"

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// Attaches the object to the dialog's control (once) and routes the control's messages,
// owner drawing included, through the object.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
// Loading writes the text into the control; saving reads it back.
void DDX_Text(CDataExchange* dx, int id, CString& value);
