#include "ui/info_dialog.h"

#include "framework/afxdataexchange.h"
#include "framework/afxwinapp.h"
#include "info/version_info.h"
#include "res/resource.h"
#include "ui/homepage.h"
#include "ui/homepage_link.h"

BEGIN_MESSAGE_MAP(CInfoDialog, CDialog)
    ON_BN_CLICKED(IDC_INFO_LINK, OnBnClickedInfoLink)
END_MESSAGE_MAP()

CInfoDialog::CInfoDialog() : CDialog(IDD_INFO, nullptr), m_linkCursor(AfxGetApp()->LoadCursor(IDC_LINK_CURSOR)) {}

CInfoDialog::~CInfoDialog() = default;

void CInfoDialog::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_INFO_LINK, m_link);
}

BOOL CInfoDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    SetDlgItemText(IDC_INFO_TITLE, GetProductName() + " Version " + GetProductVersion());
    SetDlgItemText(IDC_INFO_COPYRIGHT, GetLegalCopyright());
    ConfigureHomepageLink(m_link, m_linkCursor);
    return TRUE;  // the focus goes to the first tab stop, the OK button
}

void CInfoDialog::OnBnClickedInfoLink() { OpenHomepage(this); }
