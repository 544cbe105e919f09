#pragma once
// The About box: icon, version string and copyright line.
#include <wx/dialog.h>

class wxInitDialogEvent;

class CAboutDlg : public wxDialog {
  public:
    enum { IDC_VERSION = 1007, IDC_COPYRIGHT = 1008 };

    explicit CAboutDlg(wxWindow* parent = nullptr);
    ~CAboutDlg() override;

  private:
    void OnInitDialog(wxInitDialogEvent& event);
};
