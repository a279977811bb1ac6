#include "ui/meter_dialog.h"

#include "capture/capture_device_list.h"
#include "capture/capture_engine.h"
#include "capture/capture_formats.h"
#include "framework/afxdataexchange.h"
#include "framework/afxlistbox.h"
#include "framework/afxmenu.h"
#include "framework/afxwinapp.h"
#include "info/version_info.h"
#include "res/resource.h"
#include "ui/homepage.h"
#include "ui/homepage_link.h"
#include "ui/info_dialog.h"

namespace {

const UINT_PTR kMeterTimer = 1;
// While a close is under way: loops of the window system nested in each other end one at a time,
// and the outer one may swallow what was meant to end the inner one.
const UINT_PTR kEndLoopsTimer = 2;
const UINT kEndLoopsPeriodMs = 100;
const UINT kMeterPeriodMs = 50;
const DWORD kBlockSize = 1024;
const DWORD kCloseGraceMs = 1000;  // the capture thread's time to leave its loop; deleting the engine then waits for the rest

}  // namespace

BEGIN_MESSAGE_MAP(CMeterDialog, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_TIMER()
    ON_LBN_SELCHANGE(IDC_DEVICE_LIST, OnLbnSelchangeDeviceList)
    ON_WM_CLOSE()
    ON_WM_DESTROY()
    ON_BN_CLICKED(IDC_RESET_MAX, OnBnClickedResetMax)
    ON_BN_CLICKED(IDC_HOMEPAGE, OnBnClickedHomepage)
END_MESSAGE_MAP()

CMeterDialog::CMeterDialog(CWnd* parent)
    : CDialog(IDD_METER, parent), m_engine(nullptr), m_blockSize(0), m_deviceList(nullptr),
      m_deviceId(nullptr), m_maxLeft(0), m_maxRight(0), m_requestedFormat(0), m_bars(),
      m_colours(), m_barGeometry(), m_barDC(), m_stripWidth(0), m_stripHeight(0),
      m_stripDC(nullptr), m_activityMarks(), m_valueLeft(nullptr), m_maxLeftText(nullptr), m_valueRight(nullptr),
      m_maxRightText(nullptr), m_engineBusy(false), m_infoDialog(nullptr), m_switchAsked(false),
      m_closeAsked(false), m_closing(false) {
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
    m_linkCursor = AfxGetApp()->LoadCursor(IDC_LINK_CURSOR);
}

CMeterDialog::~CMeterDialog() = default;

void CMeterDialog::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_HOMEPAGE, m_linkButton);
    DDX_Text(dx, IDC_FORMAT_NAME, m_formatText);
}

BOOL CMeterDialog::OnInitDialog() {
    CDialog::OnInitDialog();

    CMenu systemMenu = GetSystemMenu(FALSE);
    if (systemMenu.IsValid()) {
        CString aboutText;
        aboutText.LoadString(IDS_ABOUTBOX);
        if (!aboutText.IsEmpty()) {
            systemMenu.AppendMenu(MF_SEPARATOR);
            systemMenu.AppendMenu(MF_STRING, IDM_ABOUTBOX, aboutText);
        }
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    ConfigureHomepageLink(m_linkButton, m_linkCursor);

    SetDlgItemText(IDC_VERSION, CString("Version ") + GetProductVersion());

    SetUpDrawing();

    CoInitialize(nullptr);  // result deliberately ignored: the engine's device retries on failure

    m_engine = nullptr;
    m_blockSize = kBlockSize;
    m_maxLeft = 0;
    m_maxRight = 0;

    m_deviceList = GetDlgControl<CListBox>(IDC_DEVICE_LIST);
    FillDeviceList(m_deviceList, &m_deviceIds);
    m_deviceList->SetCurSel(0);

    // The default device, whatever entry 0 is: the two need not agree at start.
    m_deviceId = DefaultCaptureDeviceId();
    m_requestedFormat = WAVE_FORMAT_4S16;

    m_engineBusy = true;
    m_engine = new CCaptureEngine;
    m_engine->SetBlockSize(m_blockSize);
    m_engine->Open(&m_requestedFormat, m_deviceId);
    ShowFormatName(m_requestedFormat);
    m_engine->EnableLevels(true);
    m_engine->Start();

    SetTimer(kMeterTimer, kMeterPeriodMs);
    EndEngineWork();
    return TRUE;
}

void CMeterDialog::SetUpDrawing() {
    m_bars = BarState();
    m_colours = MeterColours();
    static const int kBars[2] = {IDC_BAR_LEFT, IDC_BAR_RIGHT};
    CRect rect;
    for (int bar = kLeftBar; bar <= kRightBar; ++bar) {
        GetDlgItem(kBars[bar])->GetClientRect(&rect);
        m_barGeometry[bar] = MakeBarGeometry(rect.Width(), rect.Height());
    }
    GetDlgItem(IDC_ACTIVITY)->GetClientRect(&rect);
    m_stripWidth = (DWORD)rect.Width();
    m_stripHeight = rect.Height();
    for (int bar = kLeftBar; bar <= kRightBar; ++bar) m_barDC[bar] = new CClientDC(GetDlgItem(kBars[bar]));
    m_stripDC = new CClientDC(GetDlgItem(IDC_ACTIVITY));
    // Held for every tick: a lookup by id costs Wine a server request per readout and tick.
    m_valueLeft = GetDlgItem(IDC_VALUE_LEFT);
    m_maxLeftText = GetDlgItem(IDC_MAX_LEFT);
    m_valueRight = GetDlgItem(IDC_VALUE_RIGHT);
    m_maxRightText = GetDlgItem(IDC_MAX_RIGHT);
}

void CMeterDialog::ShowFormatName(DWORD formatCode) {
    SetDlgItemText(IDC_FORMAT_NAME, FormatDisplayName(formatCode));
}

void CMeterDialog::OnTimer(UINT_PTR id) {
    if (id == kEndLoopsTimer) {
        AfxEndWindowSystemLoops();
        return;
    }
    if (id != kMeterTimer || !m_engine) {
        CDialog::OnTimer(id);
        return;
    }
    DrawActivity();
    LONG left = m_engine->GetLevel(0);
    LONG right = m_engine->GetLevel(1);
    CString text;
    text.Format("L\t%ld", (long)left);
    m_valueLeft->SetWindowText(text);
    if (left >= m_maxLeft) {
        m_maxLeft = left;
        text.Format("L max\t%ld", (long)left);
        m_maxLeftText->SetWindowText(text);
    }
    text.Format("R\t%ld", (long)right);
    m_valueRight->SetWindowText(text);
    if (right >= m_maxRight) {
        m_maxRight = right;
        text.Format("R max\t%ld", (long)right);
        m_maxRightText->SetWindowText(text);
    }
    DrawLevelBars(left, right, m_maxLeft, m_maxRight);
    CDialog::OnTimer(id);
}

void CMeterDialog::DrawActivity() {
    DWORD blocks = m_engine->GetBlockCount();
    bool marked = ActivityMarks(blocks, m_stripWidth, m_activityMarks);
    m_stripDC->FillSolidRect(0, 0, (int)m_stripWidth, m_stripHeight, m_colours.background);
    if (!marked) return;  // a strip without width has no room for marks
    for (DWORD mark : m_activityMarks) m_stripDC->FillSolidRect((int)mark, 0, 1, m_stripHeight, m_colours.marker);
}

void CMeterDialog::DrawLevelBars(LONG left, LONG right, LONG maxLeft, LONG maxRight) {
    const LONG levels[2] = {left, right};
    const LONG maxima[2] = {maxLeft, maxRight};
    BarFill fills[kMaxBarFills];
    int count = TickLevelBars(m_barGeometry, m_colours, levels, maxima, &m_bars, fills);
    for (int i = 0; i < count; ++i) {
        const BarFill& fill = fills[i];
        m_barDC[fill.bar]->FillSolidRect(fill.x, 0, fill.width, m_barGeometry[fill.bar].height, fill.colour);
    }
}

void CMeterDialog::OnBnClickedResetMax() {
    // The next tick raises both maxima to the current levels and rewrites their readouts.
    m_maxLeft = 0;
    m_maxRight = 0;
}

void CMeterDialog::OnLbnSelchangeDeviceList() {
    if (m_closing) return;  // the engine is going: nothing to switch
    // Another program may send the notification with no entry selected: then nothing was chosen.
    int index = m_deviceList->GetCurSel();
    if (index < 0) return;
    void* entryDevice = m_deviceList->GetItemDataPtr(index);
    if (entryDevice == reinterpret_cast<void*>(LB_ERR)) return;
    m_deviceId = static_cast<const GUID*>(entryDevice);
    m_switchAsked = true;
    if (m_engineBusy) return;  // the work under way switches to it when it is done
    m_engineBusy = true;
    SwitchToChosenDevice();
    EndEngineWork();
}

void CMeterDialog::SwitchDevice() {
    m_engine->RequestStop();
    m_engine->Stop();
    m_requestedFormat = WAVE_FORMAT_4S16;
    m_engine->Open(&m_requestedFormat, m_deviceId);
    ShowFormatName(m_requestedFormat);
    m_engine->Start();
}

void CMeterDialog::SwitchToChosenDevice() {
    // Each switch may show boxes in which the user chooses again: the last choice wins.
    while (m_switchAsked && !m_closeAsked && m_engine) {
        m_switchAsked = false;
        SwitchDevice();
    }
}

void CMeterDialog::EndEngineWork() {
    SwitchToChosenDevice();  // one chosen while a box of the work was up
    m_engineBusy = false;
    CloseIfAsked();
}

bool CMeterDialog::DeferClose() {
    // A loop of the window system (the window menu, moving the window, a scroll bar held down)
    // dispatches messages until it ends, and the modal loop under it, which ends the window, runs
    // only then: each close ends them first, so that it takes effect as soon as they return.
    // Not from within the close's own wait: that wait would take the key meant for the loop, as a
    // close again, and so on; the timer ends them meanwhile.
    if (!m_closing) AfxEndWindowSystemLoops();
    SetTimer(kEndLoopsTimer, kEndLoopsPeriodMs);  // and again until the window has gone
    if (!m_engineBusy && !m_infoDialog) return false;
    m_closeAsked = true;
    if (m_infoDialog) m_infoDialog->EndDialog(IDCANCEL);  // it returns, and the close follows
    return true;
}

void CMeterDialog::CloseIfAsked() {
    if (!m_closeAsked || m_engineBusy || m_infoDialog) return;
    m_closeAsked = false;
    ShutDown();
    EndDialog(IDCANCEL);
}

void CMeterDialog::ShutDown() {
    if (m_closing) return;  // a close within the close: the first one finishes
    m_closing = true;
    KillTimer(kMeterTimer);
    if (m_engine) {
        m_engine->RequestStop();
        m_engine->Stop();
        Sleep(kCloseGraceMs);
        // Taken out before deletion: deleting may dispatch messages (a second close among them).
        CCaptureEngine* engine = m_engine;
        m_engine = nullptr;
        delete engine;
    }
    delete m_stripDC;
    m_stripDC = nullptr;
    for (int bar = kLeftBar; bar <= kRightBar; ++bar) {
        delete m_barDC[bar];
        m_barDC[bar] = nullptr;
    }
}

void CMeterDialog::OnClose() {
    if (DeferClose()) return;
    ShutDown();
    CDialog::OnClose();  // becomes Cancel, which ends the dialog
}

void CMeterDialog::OnOK() {
    if (DeferClose()) return;
    ShutDown();
    CDialog::OnOK();
}

void CMeterDialog::OnCancel() {
    if (DeferClose()) return;
    ShutDown();
    CDialog::OnCancel();
}

void CMeterDialog::OnDestroy() {
    ShutDown();  // nothing left to do after a close
    CDialog::OnDestroy();
}

void CMeterDialog::OnSysCommand(UINT id, LPARAM lParam) {
    const UINT command = id & 0xFFF0;
    // Not while the window goes: a loop of the window system begun in the close's wait (the window
    // menu, moving or sizing the window) would hold the close up until the user ended it.
    const bool startsLoop = command == SC_KEYMENU || command == SC_MOUSEMENU || command == SC_MOVE || command == SC_SIZE;
    if (startsLoop && (m_closing || m_closeAsked)) return;
    if (command != IDM_ABOUTBOX) {
        CDialog::OnSysCommand(id, lParam);
        return;
    }
    if (m_closing || m_closeAsked || m_infoDialog) return;  // not while the window goes, and only one
    CInfoDialog info;
    m_infoDialog = &info;
    info.DoModal();  // result deliberately ignored: the box only informs
    m_infoDialog = nullptr;
    CloseIfAsked();
}

void CMeterDialog::OnPaint() {
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
    int iconWidth = GetSystemMetrics(SM_CXICON);
    int iconHeight = GetSystemMetrics(SM_CYICON);
    CRect client;
    GetClientRect(&client);
    int x = (client.Width() - iconWidth + 1) / 2;
    int y = (client.Height() - iconHeight + 1) / 2;
    DrawIcon(dc.m_hDC, x, y, m_hIcon);
}

HCURSOR CMeterDialog::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CMeterDialog::OnBnClickedHomepage() { OpenHomepage(this); }
