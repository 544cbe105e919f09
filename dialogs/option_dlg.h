#pragma once
// The Options dialog: the current folder of the file registration dialog,
// chosen among the remembered folders or browsed for, and the header-name
// mode. OK writes both into the settings block; Cancel writes nothing.
#include <wx/dialog.h>

class ProjectStore;
class wxComboBox;
class wxCommandEvent;
class wxInitDialogEvent;

class COptionDlg : public wxDialog {
  public:
    enum {
        IDC_FOLDER = 1000,
        IDC_REF_FOLDER = 1001,
        IDC_ONLY_FILENAME = 1006,
        IDC_CUT_OVERLAPPING = 1007,
        IDC_FULL_PATH = 1008,
    };

    explicit COptionDlg(wxWindow* parent = nullptr);
    ~COptionDlg() override;

    // The entries every list starts with, below the remembered folders.
    static wxString FirstFixedFolder();
    static wxString SecondFixedFolder();

    // Adds `text` where a sorted list would put it (binary search, case
    // ignored) and returns its position.
    static int AddSorted(wxComboBox* combo, const wxString& text);
    // Position of the first entry that begins with `text`, case ignored, or
    // wxNOT_FOUND.
    static int FindPrefix(const wxComboBox* combo, const wxString& text);

  protected:
    // Shows the folder chooser opened at `initial` (the first fixed folder when empty). Returns
    // false when nothing was chosen; tests replace it.
    virtual bool BrowseForFolder(wxWindow* owner, wxString* path, const wxString& initial,
                                 const wxString& title);

  private:
    wxComboBox* m_comboFolder = nullptr;
    ProjectStore* m_project = nullptr;
    wxString m_initialFolder;

    void CreateControls();
    void OnInitDialog(wxInitDialogEvent& event);
    void OnBrowse(wxCommandEvent& event);
    void OnOK(wxCommandEvent& event);
};
