#pragma once
// Two small dialogs that ask for one slot index each: Set Index (the
// destination of a block move, written to the selection position) and Jump
// (the entry to show, written to the jump index).
#include <wx/dialog.h>

#include <cstdint>

class ProjectStore;
class wxCommandEvent;
class wxInitDialogEvent;
class wxKeyEvent;
class CUpDownCtrl;
class wxSpinEvent;
class wxTextCtrl;

// Reads an unsigned decimal number: surrounding blanks are allowed; anything
// else, an empty text or an overflow is unreadable. ReadIndexText gives 0 then.
bool ParseIndexText(const wxString& text, uint32_t* value);
uint32_t ReadIndexText(const wxString& text);

// The edit with its up-down buttons, shared by both dialogs.
class CIndexDlgBase : public wxDialog {
  public:
    enum { IDC_INDEX = 1002, IDC_SPIN = 1004, IDC_SCOPE = 1005 };

    // Positions in dialog units of the two layouts.
    struct Layout {
        int width, height;
        int cancelX, cancelY;
        int labelW;
        int editX, editY;
        int scopeX, scopeY, scopeW;
        int okX, okY;
    };

  protected:
    CIndexDlgBase(wxWindow* parent, const wxString& title, const wxString& label, const wxString& scope,
                  int scopeId, const Layout& layout);

    // The spin steps within [low, high]; the edit may hold any text.
    void SetSpinRange(int low, int high);
    void SetIndexText(int value);
    uint32_t ReadIndex() const;

    CUpDownCtrl* m_spin = nullptr;
    wxTextCtrl* m_edit = nullptr;
    ProjectStore* m_project = nullptr;

  private:
    void PlaceSpin(uint32_t value);
    void OnEditChanged(wxCommandEvent& event);
    void OnSpin(wxSpinEvent& event);
    void OnEditKey(wxKeyEvent& event);
    void Step(int delta);
};

class CSetIndexDlg : public CIndexDlgBase {
  public:
    explicit CSetIndexDlg(wxWindow* parent = nullptr);
    ~CSetIndexDlg() override;

  private:
    void OnInitDialog(wxInitDialogEvent& event);
    void OnOK(wxCommandEvent& event);
};

class CJumpDlg : public CIndexDlgBase {
  public:
    explicit CJumpDlg(wxWindow* parent = nullptr);
    ~CJumpDlg() override;

  private:
    void OnInitDialog(wxInitDialogEvent& event);
    void OnOK(wxCommandEvent& event);
};
