#pragma once
// The dialog that Start shows before every build: archive name, alignment,
// FileID prefix, header and log names. Make writes all five into the project.
#include <wx/dialog.h>

#include <cstdint>

class ProjectStore;
class wxButton;
class wxCheckBox;
class wxCommandEvent;
class wxInitDialogEvent;
class wxTextCtrl;

class CCreateArchiveDlg : public wxDialog {
  public:
    enum {
        IDC_REF_ARCHIVE = 1001,
        IDC_ARCHIVE = 1002,
        IDC_ALIGN_BOX = 1003,
        IDC_PREFIX_BOX = 1004,
        IDC_ALIGN = 1005,
        IDC_PREFIX = 1006,
        IDC_HEADER_BOX = 1007,
        IDC_HEADER = 1008,
        IDC_LOG_BOX = 1009,
        IDC_LOG = 1010,
        IDC_REF_HEADER = 1011,
        IDC_REF_LOG = 1012,
    };

    explicit CCreateArchiveDlg(wxWindow* parent = nullptr);
    ~CCreateArchiveDlg() override;

    // The remembered archive path: set by the caller before showing, read back
    // after Make. Only initialisation and a successful archive browse change it.
    wxString m_strArchivePath;

  protected:
    // The file dialog behind the three browse buttons. Returns false when the
    // user cancels; tests replace it.
    virtual bool ChooseFile(const wxString& title, const wxString& filter, const wxString& proposed,
                            wxString* chosen);

  private:
    wxButton* m_btnMake = nullptr;
    wxTextCtrl* m_editLog = nullptr;
    wxTextCtrl* m_editHeader = nullptr;
    wxTextCtrl* m_editPrefix = nullptr;
    wxTextCtrl* m_editAlign = nullptr;
    wxTextCtrl* m_editArchive = nullptr;
    wxCheckBox* m_boxLog = nullptr;
    wxCheckBox* m_boxHeader = nullptr;
    wxCheckBox* m_boxPrefix = nullptr;
    wxCheckBox* m_boxAlign = nullptr;
    // Box states are kept here and inverted on each click, never read back
    // from the controls.
    bool m_alignTicked = false;
    bool m_prefixTicked = false;
    bool m_headerTicked = false;
    bool m_logTicked = false;
    ProjectStore* m_project = nullptr;
    int32_t m_alignment = 2048;
    // While set, a change of the archive name is copied into the mirror and
    // into the header and log edits. Cleared only during the archive browse.
    bool m_follow = true;
    wxString m_nameMirror;

    void CreateControls();
    void OnInitDialog(wxInitDialogEvent& event);
    void OnArchiveChanged(wxCommandEvent& event);
    void ApplyArchiveName();
    void OnBox(wxCommandEvent& event);
    void OnBrowseArchive(wxCommandEvent& event);
    void OnBrowseHeader(wxCommandEvent& event);
    void OnBrowseLog(wxCommandEvent& event);
    void BrowseSideFile(wxTextCtrl* edit, bool ticked, const wxString& extension, const wxString& title,
                        const wxString& filter);
    void OnOK(wxCommandEvent& event);
};
