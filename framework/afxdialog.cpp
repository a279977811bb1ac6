#include "framework/afxdialog.h"

#include <cstring>
#include <vector>

#include "framework/afxdataexchange.h"
#include "framework/afxwinapp.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_templateId(templateId), m_pParentWnd(parent), m_continueModal(false), m_modalResult(-1) {}

CDialog::~CDialog() = default;

namespace {

const DWORD kLargestTemplate = 0x10000;  // far beyond any dialog of the program

// The dialog made from its template without WS_VISIBLE: DoModal shows it only if it still runs
// after OnInitDialog, so that a dialog ended in its initialisation never flashes up.
HWND CreateHiddenDialog(UINT templateId, HWND owner, LPARAM param) {
    HINSTANCE instance = AfxGetResourceHandle();
    HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5));  // RT_DIALOG
    HGLOBAL loaded = found ? ::LoadResource(instance, found) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    DWORD size = found ? ::SizeofResource(instance, found) : 0;
    if (!data || size < sizeof(DLGTEMPLATE) || size > kLargestTemplate) return nullptr;
    std::vector<DWORD> copy((size + 3) / 4);  // templates must be DWORD-aligned
    std::memcpy(copy.data(), data, size);
    const WORD* words = reinterpret_cast<const WORD*>(copy.data());
    // An extended template starts with version 1 and 0xFFFF; its style follows help id and
    // extended style.
    bool extended = size >= 16 && words[0] == 1 && words[1] == 0xFFFF;
    copy[extended ? 3 : 0] &= ~(DWORD)WS_VISIBLE;
    // A wide dialog: its texts, and those of its controls, go in and out as UTF-16.
    return ::CreateDialogIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()), owner, AfxDlgProc,
                                        param);
}

}  // namespace

void AfxEndWindowSystemLoops() {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetCurrentThreadId(), &info)) return;
    if (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE)) ::EndMenu();
    // The move and size loops end on a key or a button only (under Wine the loss of the mouse
    // capture does not end them): Escape, which puts the window back where it was.
    if ((info.flags & GUI_INMOVESIZE) && info.hwndMoveSize) {
        ::PostMessageW(info.hwndMoveSize, WM_KEYDOWN, VK_ESCAPE, 0);
        return;
    }
    // A move loop that the thread's state has forgotten (after a dialog ran inside it) goes on.
    if (HWND moving = AfxSizeMoveWindow()) ::PostMessageW(moving, WM_KEYDOWN, VK_ESCAPE, 0);
    if (info.hwndCapture) ::SendMessageW(info.hwndCapture, WM_CANCELMODE, 0, 0);
}

INT_PTR CALLBACK AfxDlgProc(HWND window, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog || !dialog->SubclassWindow(window)) return TRUE;
    return dialog->OnInitDialog();
}

INT_PTR CDialog::DoModal() {
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    CWinApp* app = AfxGetApp();
    if (!owner && app && app->m_pMainWnd && app->m_pMainWnd != this) owner = app->m_pMainWnd->m_hWnd;

    // The owner takes no input while the dialog runs.
    bool ownerDisabled = false;
    if (owner && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
        ownerDisabled = true;
    }
    m_modalResult = -1;
    m_continueModal = true;
    HWND window = CreateHiddenDialog(m_templateId, owner, reinterpret_cast<LPARAM>(this));
    if (window && m_continueModal) {
        if (!::IsWindowVisible(window)) ::ShowWindow(window, SW_SHOWNORMAL);
        // A loop ended by WM_QUIT had no EndDialog: that is not a window that could not be made.
        if (!RunModalLoop() && m_modalResult == -1) m_modalResult = IDABORT;
    }
    if (ownerDisabled) ::EnableWindow(owner, TRUE);
    // Hand activation back before the dialog disappears, so the owner comes to the front.
    if (owner && ::GetActiveWindow() == window) ::SetActiveWindow(owner);
    if (window) ::DestroyWindow(window);
    return window ? m_modalResult : -1;
}

bool CDialog::RunModalLoop() {
    MSG msg;
    while (m_continueModal) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage((int)msg.wParam);  // for the loop outside this one
            return false;
        }
        if (got == -1) return false;
        if (!AfxPreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return true;
}

BOOL AfxPreTranslateMessage(MSG* msg) {
    for (HWND window = msg->hwnd; window;) {
        if (CWnd* wnd = CWnd::FromHandlePermanent(window))
            if (wnd->PreTranslateMessage(msg)) return TRUE;
        if (!(::GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD)) break;  // top level reached
        window = ::GetParent(window);
    }
    return FALSE;
}

void CDialog::EndDialog(int result) {
    m_modalResult = result;
    m_continueModal = false;
    if (m_hWnd) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wakes the loop to notice
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    // Keyboard navigation between the controls, and Enter and Escape.
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && m_hWnd)
        return ::IsDialogMessageW(m_hWnd, msg);
    return FALSE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}
