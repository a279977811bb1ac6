#pragma once
// CDialog: a dialog from a template in the program's resources, run modally by a message loop of
// its own that gives the windows of each message a chance to pre-translate it.
#include "framework/afxwnd.h"

class CDataExchange;

class CDialog : public CWnd {
public:
    // parent null: the application's main window becomes the owner (unless that is this dialog).
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // The result given to EndDialog; -1 when the window could not be made, IDABORT when the
    // loop ended without EndDialog (WM_QUIT). The window is destroyed before it returns.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    // Exchanges data between the controls and the members (save: controls to members).
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* dx);

    UINT m_templateId;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
    bool RunModalLoop();
    bool m_continueModal;
    INT_PTR m_modalResult;
};

INT_PTR CALLBACK AfxDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Asks the loops that the window system may be running on this thread to end: the window menu,
// the move and size loops, a scroll bar or button held with the mouse. They go on dispatching
// messages until the user lets go, so a modal loop under them sees its dialog's end only after
// them; they return once the message being handled has been.
void AfxEndWindowSystemLoops();

// Gives the windows from the message's own up to its top-level window, innermost first, the
// chance to pre-translate it; true when one of them took it.
BOOL AfxPreTranslateMessage(MSG* msg);
