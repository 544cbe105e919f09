#include "dialogs/index_dlgs.h"

#include "dialogs/dlg_common.h"
#include "dialogs/updown_ctrl.h"
#include "model/project_store.h"

#include <wx/button.h>
#include <wx/intl.h>
#include <wx/spinbutt.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>

namespace {

bool IsBlank(wxUniChar c) {
    return c == ' ' || c == '\t';
}

constexpr int kSpinWidth = 9; // dialog units

} // namespace

bool ParseIndexText(const wxString& text, uint32_t* value) {
    size_t pos = 0;
    const size_t length = text.length();
    while (pos < length && IsBlank(text[pos]))
        ++pos;
    uint64_t number = 0;
    size_t digits = 0;
    for (; pos < length && text[pos] >= '0' && text[pos] <= '9'; ++pos, ++digits) {
        number = number * 10 + static_cast<uint64_t>(text[pos].GetValue() - '0');
        if (number > UINT32_MAX) return false;
    }
    while (pos < length && IsBlank(text[pos]))
        ++pos;
    if (digits == 0 || pos != length) return false;
    *value = static_cast<uint32_t>(number);
    return true;
}

uint32_t ReadIndexText(const wxString& text) {
    uint32_t value = 0;
    return ParseIndexText(text, &value) ? value : 0;
}

CIndexDlgBase::CIndexDlgBase(wxWindow* parent, const wxString& title, const wxString& label,
                             const wxString& scope, int scopeId, const Layout& l)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE) {
    SetDialogFont(this);
    new wxButton(this, wxID_CANCEL, _("Cancel"), DluPoint(this, l.cancelX, l.cancelY), DluSize(this, 50, 14));
    AddLabel(this, wxID_ANY, label, 14, 21, l.labelW, 8);
    // The up-down buttons sit inside the right end of the edit's rectangle,
    // which narrows the edit, as they did when they attached to their buddy.
    m_edit = new wxTextCtrl(this, IDC_INDEX, wxString(), DluPoint(this, l.editX, l.editY),
                            DluSize(this, 45 - kSpinWidth, 13));
    m_spin = new CUpDownCtrl(this, IDC_SPIN, DluPoint(this, l.editX + 45 - kSpinWidth, l.editY),
                             DluSize(this, kSpinWidth, 13));
    AddLabel(this, scopeId, scope, l.scopeX, l.scopeY, l.scopeW, 8);
    auto* ok = new wxButton(this, wxID_OK, _("OK"), DluPoint(this, l.okX, l.okY), DluSize(this, 50, 14));
    ok->SetDefault();
    SetPlainOkLabel(this);
    SetClientSize(DluSize(this, l.width, l.height));

    Bind(wxEVT_TEXT, &CIndexDlgBase::OnEditChanged, this, IDC_INDEX);
    Bind(wxEVT_SPIN, &CIndexDlgBase::OnSpin, this, IDC_SPIN);
    m_edit->Bind(wxEVT_KEY_DOWN, &CIndexDlgBase::OnEditKey, this);
    FocusWholeTextOnOpen(this, m_edit, m_edit);
}

void CIndexDlgBase::SetSpinRange(int low, int high) {
    m_spin->SetRange(low, high);
}

void CIndexDlgBase::PlaceSpin(uint32_t value) {
    m_spin->SetValue(value > static_cast<uint32_t>(m_spin->GetMax()) ? m_spin->GetMax()
                                                                     : static_cast<int>(value));
}

void CIndexDlgBase::SetIndexText(int value) {
    m_edit->SetValue(wxString::Format("%d", value));
}

uint32_t CIndexDlgBase::ReadIndex() const {
    return ReadIndexText(m_edit->GetValue());
}

void CIndexDlgBase::OnEditChanged(wxCommandEvent& /*event*/) {
    // Keep the buttons' position on the number in the edit, so that a click
    // steps from what the user sees.
    uint32_t value = 0;
    if (!ParseIndexText(m_edit->GetValue(), &value)) return;
    PlaceSpin(value);
}

void CIndexDlgBase::OnSpin(wxSpinEvent& event) {
    m_edit->ChangeValue(wxString::Format("%d", event.GetPosition()));
}

void CIndexDlgBase::OnEditKey(wxKeyEvent& event) {
    switch (event.GetKeyCode()) {
    case WXK_UP:
    case WXK_NUMPAD_UP:
        Step(1);
        break;
    case WXK_DOWN:
    case WXK_NUMPAD_DOWN:
        Step(-1);
        break;
    default:
        event.Skip();
    }
}

void CIndexDlgBase::Step(int delta) {
    // Step from the number the edit shows, brought into the range; unreadable
    // text steps from the buttons' own position.
    uint32_t value = 0;
    if (ParseIndexText(m_edit->GetValue(), &value)) PlaceSpin(value);
    m_spin->Step(delta);
}

// Set Index

namespace {
const CIndexDlgBase::Layout kSetIndexLayout = {195, 65, 138, 44, 18, 59, 18, 115, 22, 57, 80, 44};
const CIndexDlgBase::Layout kJumpLayout = {215, 66, 158, 45, 53, 72, 18, 134, 21, 69, 103, 45};
} // namespace

CSetIndexDlg::CSetIndexDlg(wxWindow* parent)
    : CIndexDlgBase(parent, _("Set Index No"), _("Index"), _("Scope(0-65534)"), wxID_ANY, kSetIndexLayout) {
    Bind(wxEVT_INIT_DIALOG, &CSetIndexDlg::OnInitDialog, this);
    Bind(wxEVT_BUTTON, &CSetIndexDlg::OnOK, this, wxID_OK);
}

CSetIndexDlg::~CSetIndexDlg() = default;

void CSetIndexDlg::OnInitDialog(wxInitDialogEvent& event) {
    event.Skip();
    m_project = GetProjectStore();
    const uint32_t end = m_project->GetEntryEnd();
    SetSpinRange(0, static_cast<int>(kSlotCount) - 1);
    // The proposal is a move to the end of the table; with the last slot used
    // that is one above the buttons' range.
    SetIndexText(static_cast<int>(end));
}

void CSetIndexDlg::OnOK(wxCommandEvent& event) {
    if (m_project == nullptr) return;
    uint32_t position = 0;
    uint32_t count = 0;
    m_project->GetSelection(&position, &count);
    m_project->SetSelection(ReadIndex(), count);
    event.Skip(); // the dialog's own OK handling ends it with wxID_OK
}

// Jump

CJumpDlg::CJumpDlg(wxWindow* parent)
    : CIndexDlgBase(parent, _("Jump destination?"), _("Number of Index"), wxString(), IDC_SCOPE,
                    kJumpLayout) {
    Bind(wxEVT_INIT_DIALOG, &CJumpDlg::OnInitDialog, this);
    Bind(wxEVT_BUTTON, &CJumpDlg::OnOK, this, wxID_OK);
}

CJumpDlg::~CJumpDlg() = default;

void CJumpDlg::OnInitDialog(wxInitDialogEvent& event) {
    event.Skip();
    m_project = GetProjectStore();
    const int end = static_cast<int>(m_project->GetEntryEnd());
    const wxString scope = wxString::Format("%s%d", _("Scope(0-"), end - 1) + _(")");
    SetSpinRange(0, end - 1);
    SetIndexText(0);
    FindWindow(IDC_SCOPE)->SetLabel(scope);
}

void CJumpDlg::OnOK(wxCommandEvent& event) {
    if (m_project == nullptr) return;
    const uint32_t end = m_project->GetEntryEnd();
    const uint32_t value = ReadIndex();
    // Out of range: stay open without a word; the user corrects or cancels.
    if (value >= end) return;
    m_project->SetJumpIndex(value);
    event.Skip(); // the dialog's own OK handling ends it with wxID_OK
}
