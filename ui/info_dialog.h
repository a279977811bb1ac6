#pragma once
// CInfoDialog: the about box, with product name and version, the rights line and the link to
// the download page.
#include "framework/afxdialog.h"
#include "ui/link_button.h"

class CInfoDialog : public CDialog {
public:
    CInfoDialog();
    ~CInfoDialog() override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnBnClickedInfoLink();

    DECLARE_MESSAGE_MAP()

private:
    HCURSOR m_linkCursor;
    CHButton m_link;
};
