#pragma once
// CMeterDialog: the meter window. It owns the level engine, reads its two levels every 50 ms,
// keeps the held maxima, writes the readouts and draws the bars and the activity strip.
#include <windows.h>

#include "framework/afxdc.h"
#include "framework/afxdialog.h"
#include "ui/device_list.h"
#include "ui/level_bars.h"
#include "ui/link_button.h"

class CCaptureEngine;
class CListBox;

class CMeterDialog : public CDialog {
public:
    explicit CMeterDialog(CWnd* parent = nullptr);
    ~CMeterDialog() override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    // Enter and Escape leave through the same orderly shutdown as closing the window.
    void OnOK() override;
    void OnCancel() override;

    void OnSysCommand(UINT id, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnTimer(UINT_PTR id);
    void OnLbnSelchangeDeviceList();
    void OnClose();
    // The window goes however its loop ended (WM_QUIT too): capture is shut down first.
    void OnDestroy();
    void OnBnClickedResetMax();
    void OnBnClickedHomepage();

    void ShowFormatName(DWORD formatCode);
    void DrawActivity();
    void DrawLevelBars(LONG left, LONG right, LONG maxLeft, LONG maxRight);

    DECLARE_MESSAGE_MAP()

private:
    void SetUpDrawing();
    // Stop, Open with the requested format reset, format line, Start: on the device of m_deviceId.
    void SwitchDevice();
    // A box of the engine, and Open's wait for a capture pass to let go of the device, run a
    // message loop in which any handler can run: while engine work is under way (m_engineBusy),
    // a device choice or a close that comes in only records itself.
    void SwitchToChosenDevice();
    // Carries out the last choice made meanwhile, then a close that was asked for.
    void EndEngineWork();
    // Ends the window system's loops over the window first. True when a close must wait for work
    // under way (it is then remembered).
    bool DeferClose();
    void CloseIfAsked();
    void ShutDown();

    CCaptureEngine* m_engine;
    DWORD m_blockSize;
    CListBox* m_deviceList;
    const GUID* m_deviceId;
    LONG m_maxLeft;
    LONG m_maxRight;
    DWORD m_requestedFormat;

    // Drawing state.
    BarState m_bars;
    BarColours m_colours;
    BarGeometry m_barGeometry[2];
    CClientDC* m_barDC[2];
    DWORD m_stripWidth;
    LONG m_stripHeight;
    CClientDC* m_stripDC;
    DWORD m_activityMarks[4];
    // The four readouts' controls, owned by the dialog's control wrappers.
    CWnd* m_valueLeft;
    CWnd* m_maxLeftText;
    CWnd* m_valueRight;
    CWnd* m_maxRightText;

    HICON m_hIcon;
    HCURSOR m_linkCursor;
    CHButton m_linkButton;
    CString m_formatText;
    DeviceIdStore m_deviceIds;

    // What came in while the window was inside a nested message loop.
    bool m_engineBusy;           // engine calls under way (a box of theirs may be up)
    CDialog* m_infoDialog;       // the info dialog while it runs
    bool m_switchAsked;          // a device was chosen meanwhile: m_deviceId
    bool m_closeAsked;
    bool m_closing;              // the close sequence has begun: the engine is going or gone
};
