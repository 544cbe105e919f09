#include "dialogs/about_dlg.h"

#include "corvane_version.h"
#include "dialogs/dlg_common.h"

#include <wx/app.h>
#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/intl.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/toplevel.h>

namespace {

// The same in every language, whatever the translations hold.
const char kVersion[] = CORVANE_VERSION_TITLE;
const char kCopyright[] = "Copyright (C) 2026 Corvane developers";

wxIcon ApplicationIcon(wxWindow* parent) {
    wxWindow* top = parent != nullptr ? wxGetTopLevelParent(parent) : wxTheApp->GetTopWindow();
    if (auto* frame = dynamic_cast<wxTopLevelWindow*>(top)) {
        const wxIcon icon = frame->GetIcon();
        if (icon.IsOk()) return icon;
    }
    return wxArtProvider::GetIcon(wxART_INFORMATION, wxART_MESSAGE_BOX);
}

} // namespace

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, _("Version Information of Corvane for Windows"), wxDefaultPosition,
               wxDefaultSize, wxDEFAULT_DIALOG_STYLE) {
    SetDialogFont(this);
    wxBitmap bitmap;
    bitmap.CopyFromIcon(ApplicationIcon(parent));
    new wxStaticBitmap(this, wxID_ANY, bitmap, DluPoint(this, 11, 17), DluSize(this, 20, 20));
    // Placeholders that take their size from the texts set at initialisation.
    AddLabel(this, IDC_VERSION, wxString(), 50, 16, 99, 8);
    AddLabel(this, IDC_COPYRIGHT, wxString(), 50, 30, 110, 8);
    // The Japanese layout is taller and narrower: a short notice between two thin black
    // frames below the texts, and OK underneath.
    const bool withNotice = UsesJapaneseTexts();
    if (withNotice) {
        for (int y : {48, 100}) {
            auto* frame =
                new wxWindow(this, wxID_ANY, DluPoint(this, 7, y), wxSize(DluSize(this, 185, 0).x, 1));
            frame->SetBackgroundColour(*wxBLACK);
        }
        auto* notice =
            new wxStaticText(this, wxID_ANY, wxString(), DluPoint(this, 12, 54), DluSize(this, 175, 42));
        notice->SetLabelText(
            _("This program is provided as is, without warranty of any kind. Its authors are "
              "not liable for any damage that arises from its use."));
    }
    auto* ok =
        new wxButton(this, wxID_OK, _("OK"), withNotice ? DluPoint(this, 142, 114) : DluPoint(this, 161, 48),
                     DluSize(this, 50, 14));
    ok->SetDefault();
    SetPlainOkLabel(this);
    SetClientSize(withNotice ? DluSize(this, 199, 137) : DluSize(this, 218, 69));
    Bind(wxEVT_INIT_DIALOG, &CAboutDlg::OnInitDialog, this);
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::OnInitDialog(wxInitDialogEvent& event) {
    event.Skip();
    // No mnemonic processing: the texts are shown as they stand.
    static_cast<wxControl*>(FindWindow(IDC_VERSION))->SetLabelText(kVersion);
    static_cast<wxControl*>(FindWindow(IDC_COPYRIGHT))->SetLabelText(kCopyright);
}
