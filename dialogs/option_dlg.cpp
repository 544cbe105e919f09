#include "dialogs/option_dlg.h"

#include "dialogs/dlg_common.h"
#include "dialogs/system_text.h"
#include "model/project_store.h"
#include "platform/user_dirs.h"

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/dirdlg.h>
#include <wx/intl.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>

#include <cstdint>

wxString COptionDlg::FirstFixedFolder() {
    return FromSystemText(platform::firstFixedFolder());
}

wxString COptionDlg::SecondFixedFolder() {
    return FromSystemText(platform::secondFixedFolder());
}

COptionDlg::COptionDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, _("Option"), wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE) {
    SetDialogFont(this);
    CreateControls();
    SetClientSize(DluSize(this, 259, 141));

    AddSorted(m_comboFolder, FirstFixedFolder());
    AddSorted(m_comboFolder, SecondFixedFolder());

    Bind(wxEVT_INIT_DIALOG, &COptionDlg::OnInitDialog, this);
    Bind(wxEVT_BUTTON, &COptionDlg::OnBrowse, this, IDC_REF_FOLDER);
    Bind(wxEVT_BUTTON, &COptionDlg::OnOK, this, wxID_OK);
    // The folder list comes first in the tab order after Cancel; a focused browse
    // button would take Return and open the folder chooser instead of OK.
    FocusWholeTextOnOpen(this, m_comboFolder, m_comboFolder);
}

COptionDlg::~COptionDlg() = default;

void COptionDlg::CreateControls() {
    new wxButton(this, wxID_CANCEL, _("Cancel"), DluPoint(this, 202, 120), DluSize(this, 50, 14));
    AddLabel(this, wxID_ANY, _("&Open FilePath"), 14, 9, 73, 8);
    // The drop-down list takes its own height.
    m_comboFolder = new wxComboBox(this, IDC_FOLDER, wxString(), DluPoint(this, 14, 20),
                                   wxSize(DluSize(this, 174, 0).x, -1), 0, nullptr, wxCB_DROPDOWN);
    new wxButton(this, IDC_REF_FOLDER, _("Ref.(&B)"), DluPoint(this, 193, 20), DluSize(this, 50, 14));
    auto* ok = new wxButton(this, wxID_OK, _("OK"), DluPoint(this, 143, 120), DluSize(this, 50, 14));
    ok->SetDefault();
    SetPlainOkLabel(this);
    new wxStaticBox(this, wxID_ANY, _("Output for Header Files(Macro definition)"), DluPoint(this, 14, 41),
                    DluSize(this, 229, 69));
    GrowToBest(new wxRadioButton(this, IDC_ONLY_FILENAME, _("Only Filename"), DluPoint(this, 29, 56),
                                 DluSize(this, 61, 10), wxRB_GROUP));
    GrowToBest(new wxRadioButton(this, IDC_CUT_OVERLAPPING, _("Cut overlapping string"),
                                 DluPoint(this, 29, 74), DluSize(this, 86, 10)));
    GrowToBest(new wxRadioButton(this, IDC_FULL_PATH, _("Full Path"), DluPoint(this, 29, 92),
                                 DluSize(this, 45, 10)));
}

int COptionDlg::AddSorted(wxComboBox* combo, const wxString& text) {
    // A binary search over the whole list, as a sorted list box inserts: the
    // remembered folders on top are not in order, so where a new entry lands
    // depends on the entries the search happens to compare with.
    int low = 0;
    int high = static_cast<int>(combo->GetCount()) - 1;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int order = combo->GetString(static_cast<unsigned>(middle)).CmpNoCase(text);
        if (order == 0) {
            low = middle;
            break;
        }
        if (order > 0)
            high = middle - 1;
        else
            low = middle + 1;
    }
    return combo->Insert(text, static_cast<unsigned>(low));
}

int COptionDlg::FindPrefix(const wxComboBox* combo, const wxString& text) {
    const wxString wanted = text.Lower();
    for (unsigned i = 0; i < combo->GetCount(); ++i)
        if (combo->GetString(i).Lower().StartsWith(wanted)) return static_cast<int>(i);
    return wxNOT_FOUND;
}

void COptionDlg::OnInitDialog(wxInitDialogEvent& event) {
    event.Skip();
    m_project = GetProjectStore();
    const uint32_t count = m_project->GetFolderCount();
    const uint32_t mode = m_project->GetHeaderNameMode();

    if (count > 0) {
        const uint32_t current = m_project->GetCurrentFolderIndex();
        // Inserted at fixed positions, not sorted: the remembered folders stand
        // on top in slot order.
        unsigned inserted = 0;
        if (const char* first = m_project->GetFirstFolder()) {
            m_comboFolder->Insert(FromSystemText(first), inserted++);
            for (uint32_t k = 1; k < count; ++k) {
                const char* next = m_project->GetNextFolder();
                if (next == nullptr) break;
                m_comboFolder->Insert(FromSystemText(next), inserted++);
            }
        }
        if (current < m_comboFolder->GetCount()) m_comboFolder->SetSelection(static_cast<int>(current));
    }

    // GTK always keeps one button of a group checked, so a mode outside 0..2
    // shows (and OK then stores) "Only Filename".
    if (mode <= FullPath)
        static_cast<wxRadioButton*>(FindWindow(IDC_ONLY_FILENAME + static_cast<int>(mode)))->SetValue(true);
}

bool COptionDlg::BrowseForFolder(wxWindow* owner, wxString* path, const wxString& initial,
                                 const wxString& title) {
    wxDirDialog dialog(owner, title, initial.empty() ? FirstFixedFolder() : initial,
                       wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK) return false;
    *path = dialog.GetPath();
    return !path->empty();
}

void COptionDlg::OnBrowse(wxCommandEvent& /*event*/) {
    m_initialFolder = FirstFixedFolder();
    wxString path;
    if (!BrowseForFolder(this, &path, m_initialFolder, _("Target Folder"))) return;
    AddSorted(m_comboFolder, path);
    // The first entry that begins with the chosen text wins, which may be a
    // deeper remembered folder standing above the new entry.
    const int found = FindPrefix(m_comboFolder, path);
    if (found != wxNOT_FOUND) m_comboFolder->SetSelection(found);
}

void COptionDlg::OnOK(wxCommandEvent& event) {
    if (m_project == nullptr) return;
    const int selected = m_comboFolder->GetSelection();
    const wxString folder =
        selected != wxNOT_FOUND ? m_comboFolder->GetString(selected) : m_comboFolder->GetValue();
    m_project->SelectFolder(ToSystemText(folder, kFolderSize - 1).c_str());

    uint32_t mode = OnlyFileName;
    for (uint32_t m = OnlyFileName; m <= FullPath; ++m) {
        auto* radio = static_cast<wxRadioButton*>(FindWindow(IDC_ONLY_FILENAME + static_cast<int>(m)));
        if (radio->GetValue()) mode = m;
    }
    m_project->SetHeaderNameMode(mode);
    event.Skip(); // the dialog's own OK handling ends it with wxID_OK
}
