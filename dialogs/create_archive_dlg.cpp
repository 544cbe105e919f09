#include "dialogs/create_archive_dlg.h"

#include "dialogs/dlg_common.h"
#include "dialogs/system_text.h"
#include "model/project_store.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/msgdlg.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>

#include <cstdlib>

namespace {

constexpr size_t kNameChars = 259; // a name buffer of 260 bytes
constexpr size_t kAlignChars = 10;
constexpr size_t kPrefixChars = 255;

// "*.*" would skip files without a dot here, so the all-files entries match "*".
const char kArchiveFilter[] = "BXA files (*.bxa)|*.bxa|ALL files (*.*)|*";
const char kHeaderFilter[] = "Header files (*.h)|*.h|ALLfiles (*.*)|*";
const char kLogFilter[] = "Log files (*.crg)|*.crg|ALLfiles (*.*)|*";

wxString WithoutArchiveExtension(const wxString& path) {
    if (path.length() >= 4 && path.Right(4).Upper() == ".BXA") return path.Left(path.length() - 4);
    return path;
}

} // namespace

CCreateArchiveDlg::CCreateArchiveDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, _("Creation of an BXA File"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE) {
    SetDialogFont(this);
    CreateControls();
    SetClientSize(DluSize(this, 286, 174));

    Bind(wxEVT_INIT_DIALOG, &CCreateArchiveDlg::OnInitDialog, this);
    Bind(wxEVT_TEXT, &CCreateArchiveDlg::OnArchiveChanged, this, IDC_ARCHIVE);
    Bind(wxEVT_CHECKBOX, &CCreateArchiveDlg::OnBox, this, IDC_ALIGN_BOX);
    Bind(wxEVT_CHECKBOX, &CCreateArchiveDlg::OnBox, this, IDC_PREFIX_BOX);
    Bind(wxEVT_CHECKBOX, &CCreateArchiveDlg::OnBox, this, IDC_HEADER_BOX);
    Bind(wxEVT_CHECKBOX, &CCreateArchiveDlg::OnBox, this, IDC_LOG_BOX);
    Bind(wxEVT_BUTTON, &CCreateArchiveDlg::OnBrowseArchive, this, IDC_REF_ARCHIVE);
    Bind(wxEVT_BUTTON, &CCreateArchiveDlg::OnBrowseHeader, this, IDC_REF_HEADER);
    Bind(wxEVT_BUTTON, &CCreateArchiveDlg::OnBrowseLog, this, IDC_REF_LOG);
    Bind(wxEVT_BUTTON, &CCreateArchiveDlg::OnOK, this, wxID_OK);
    FocusWholeTextOnOpen(this, m_editArchive, m_editArchive);
}

CCreateArchiveDlg::~CCreateArchiveDlg() = default;

void CCreateArchiveDlg::CreateControls() {
    auto label = [this](const wxString& text, int x, int y, int w, int h) {
        AddLabel(this, wxID_ANY, text, x, y, w, h);
    };
    auto edit = [this](int id, int x, int y, int w, int h, unsigned long maxChars) {
        auto* ctrl = new wxTextCtrl(this, id, wxString(), DluPoint(this, x, y), DluSize(this, w, h));
        ctrl->SetMaxLength(maxChars);
        return ctrl;
    };
    auto button = [this](int id, const wxString& text, int x, int y, int w, int h) {
        return new wxButton(this, id, text, DluPoint(this, x, y), DluSize(this, w, h));
    };
    auto box = [this](int id, const wxString& text, int x, int y, int w, int h) {
        auto* ctrl = new wxCheckBox(this, id, text, DluPoint(this, x, y), DluSize(this, w, h));
        GrowToBest(ctrl);
        return ctrl;
    };

    // Created in tab order.
    button(wxID_CANCEL, _("Cancel"), 229, 153, 50, 14);
    label(_("BXA Filename"), 7, 8, 45, 8);
    m_editArchive = edit(IDC_ARCHIVE, 7, 19, 195, 13, 260);
    label(_(".bxa"), 206, 23, 11, 8);
    button(IDC_REF_ARCHIVE, _("Ref.(&L)"), 227, 19, 52, 14);
    m_boxAlign = box(IDC_ALIGN_BOX, _("Alignment"), 14, 54, 48, 10);
    m_editAlign = edit(IDC_ALIGN, 89, 54, 99, 13, 10);
    label(_("Default 2048[byte]"), 193, 56, 60, 8);
    m_boxPrefix = box(IDC_PREFIX_BOX, _("Prefix of FileID"), 14, 76, 63, 10);
    m_editPrefix = edit(IDC_PREFIX, 89, 76, 99, 13, 256);
    m_boxHeader = box(IDC_HEADER_BOX, _("Header Filename"), 14, 98, 69, 10);
    m_editHeader = edit(IDC_HEADER, 89, 98, 99, 13, 260);
    label(_(".h"), 193, 101, 11, 8);
    button(IDC_REF_HEADER, _("Ref.(&H)"), 220, 98, 50, 14);
    m_boxLog = box(IDC_LOG_BOX, _("Log Filename"), 14, 120, 58, 10);
    m_editLog = edit(IDC_LOG, 89, 120, 99, 13, 260);
    label(_(".crg"), 193, 123, 11, 8);
    button(IDC_REF_LOG, _("Ref.(&G)"), 220, 120, 50, 14);
    m_btnMake = button(wxID_OK, _("Make(&M)"), 173, 153, 50, 14);
    m_btnMake->SetDefault();
    new wxStaticBox(this, wxID_ANY, _("Details"), DluPoint(this, 7, 40), DluSize(this, 272, 103));
}

void CCreateArchiveDlg::OnInitDialog(wxInitDialogEvent& event) {
    event.Skip();
    m_project = GetProjectStore();

    m_editAlign->Disable();
    m_editPrefix->Disable();
    m_editHeader->Disable();
    m_editLog->Disable();
    m_btnMake->Disable();

    m_editAlign->ChangeValue(wxString::Format("%u", static_cast<unsigned>(m_alignment)));
    m_strArchivePath = WithoutArchiveExtension(m_strArchivePath);
    m_editArchive->ChangeValue(m_strArchivePath);
    ApplyArchiveName();
}

void CCreateArchiveDlg::OnArchiveChanged(wxCommandEvent& /*event*/) {
    ApplyArchiveName();
}

void CCreateArchiveDlg::ApplyArchiveName() {
    const wxString text = m_editArchive->GetValue();
    if (m_follow) {
        m_nameMirror = LeftChars(text, kNameChars);
        if (!m_headerTicked) m_editHeader->ChangeValue(m_nameMirror);
        if (!m_logTicked) m_editLog->ChangeValue(m_nameMirror);
    }
    m_btnMake->Enable(!text.empty());
}

void CCreateArchiveDlg::OnBox(wxCommandEvent& event) {
    bool* state = nullptr;
    wxTextCtrl* edit = nullptr;
    switch (event.GetId()) {
    case IDC_ALIGN_BOX:
        state = &m_alignTicked;
        edit = m_editAlign;
        break;
    case IDC_PREFIX_BOX:
        state = &m_prefixTicked;
        edit = m_editPrefix;
        break;
    case IDC_HEADER_BOX:
        state = &m_headerTicked;
        edit = m_editHeader;
        break;
    case IDC_LOG_BOX:
        state = &m_logTicked;
        edit = m_editLog;
        break;
    default:
        return;
    }
    *state = !*state;
    edit->Enable(*state);
}

bool CCreateArchiveDlg::ChooseFile(const wxString& title, const wxString& filter, const wxString& proposed,
                                   wxString* chosen) {
    // The old dialog accepted names that do not exist yet and opened with the
    // proposed name filled in; the GTK chooser does both only in save mode.
    // Nothing is written here, so there is no overwrite prompt.
    const wxFileName name(proposed);
    wxFileDialog dialog(this, title, name.GetPath(), name.GetFullName(), filter, wxFD_SAVE);
    if (dialog.ShowModal() != wxID_OK) return false;
    *chosen = dialog.GetPath();
    return true;
}

void CCreateArchiveDlg::OnBrowseArchive(wxCommandEvent& /*event*/) {
    m_follow = false;
    const wxString proposed = LeftChars(m_editArchive->GetValue(), kNameChars) + ".bxa";
    wxString path;
    if (!ChooseFile(_("BXA file"), kArchiveFilter, proposed, &path)) {
        m_follow = true;
        return;
    }
    path = WithoutArchiveExtension(path);
    // With the follow flag clear the rule only updates Make; the mirror keeps
    // the name from before the browse.
    m_editArchive->ChangeValue(path);
    ApplyArchiveName();
    if (!m_headerTicked) m_editHeader->ChangeValue(path);
    if (!m_logTicked) m_editLog->ChangeValue(path);
    m_strArchivePath = path;
    m_follow = true;
}

void CCreateArchiveDlg::OnBrowseHeader(wxCommandEvent& /*event*/) {
    BrowseSideFile(m_editHeader, m_headerTicked, ".h", _("Header file"), kHeaderFilter);
}

void CCreateArchiveDlg::OnBrowseLog(wxCommandEvent& /*event*/) {
    BrowseSideFile(m_editLog, m_logTicked, ".crg", _("Log file"), kLogFilter);
}

void CCreateArchiveDlg::BrowseSideFile(wxTextCtrl* edit, bool ticked, const wxString& extension,
                                       const wxString& title, const wxString& filter) {
    const wxString start = ticked ? LeftChars(edit->GetValue(), kNameChars) : m_nameMirror;
    if (start.empty()) {
        // Drawn by wx rather than the toolkit, which no longer shows a message's icon and
        // labels its own OK button with an added mnemonic in Japanese.
        wxGenericMessageDialog box(this, _("Please input filename"), _("Error"), wxOK | wxICON_EXCLAMATION);
        // Its buttons exist only once it is shown.
        box.Bind(wxEVT_INIT_DIALOG, [&box](wxInitDialogEvent& event) {
            event.Skip();
            SetPlainOkLabel(&box);
        });
        box.ShowModal();
        return;
    }
    wxString path;
    if (!ChooseFile(title, filter, start + extension, &path)) return;
    // Also when the box is unticked: the edit stays disabled and the next
    // change of the archive name overwrites it.
    edit->ChangeValue(path);
}

void CCreateArchiveDlg::OnOK(wxCommandEvent& event) {
    // Enter reaches the default button even while it is disabled.
    if (!m_btnMake->IsEnabled() || m_project == nullptr) return;

    m_nameMirror = LeftChars(m_editArchive->GetValue(), kNameChars);
    m_project->SetArchiveName(ToSystemText(m_nameMirror, kNameChars).c_str());

    // Read as atol does: leading blanks, a sign, digits up to the first other
    // character; no digits give 0. Ten characters cannot overflow a long here.
    const std::string align = ToSystemText(LeftChars(m_editAlign->GetValue(), kAlignChars), 4 * kAlignChars);
    m_alignment = static_cast<int32_t>(static_cast<uint32_t>(std::atol(align.c_str())));
    m_project->SetAlignment(static_cast<uint32_t>(m_alignment));

    m_project->SetFileIdPrefix(
        ToSystemText(LeftChars(m_editPrefix->GetValue(), kPrefixChars), kPrefixChars).c_str());

    m_nameMirror = LeftChars(m_editHeader->GetValue(), kNameChars);
    m_project->SetHeaderName(ToSystemText(m_nameMirror, kNameChars).c_str());
    m_nameMirror = LeftChars(m_editLog->GetValue(), kNameChars);
    m_project->SetLogName(ToSystemText(m_nameMirror, kNameChars).c_str());

    event.Skip(); // the dialog's own OK handling ends it with wxID_OK
}
