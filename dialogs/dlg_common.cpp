#include "dialogs/dlg_common.h"

#include <wx/font.h>
#include <wx/intl.h>
#include <wx/stattext.h>
#include <wx/textentry.h>
#include <wx/translation.h>

#include <algorithm>
#include <memory>

void SetDialogFont(wxWindow* dialog) {
    dialog->SetFont(wxFont(wxFontInfo(10).Family(wxFONTFAMILY_SWISS).FaceName("DejaVu Sans")));
}

wxPoint DluPoint(wxWindow* dialog, int x, int y) {
    return dialog->ConvertDialogToPixels(wxPoint(x, y));
}

wxSize DluSize(wxWindow* dialog, int width, int height) {
    return dialog->ConvertDialogToPixels(wxSize(width, height));
}

wxStaticText* AddLabel(wxWindow* dialog, wxWindowID id, const wxString& text, int x, int y, int width,
                       int height) {
    auto* label = new wxStaticText(dialog, id, text, DluPoint(dialog, x, y), DluSize(dialog, width, height));
    GrowToBest(label);
    return label;
}

void SetPlainOkLabel(wxWindow* dialog) {
    // A text equal to wx's stock label makes GTK draw its own stock button, whose
    // Japanese label carries the mnemonic; a trailing blank is not the stock label and
    // does not show.
    if (wxWindow* ok = dialog->FindWindow(wxID_OK)) ok->SetLabel(_("OK") + wxS(" "));
}

bool UsesJapaneseTexts() {
    wxTranslations* translations = wxTranslations::Get();
    return translations != nullptr && translations->GetBestTranslation(wxS("corvane")).StartsWith(wxS("ja"));
}

void FocusWholeTextOnOpen(wxWindow* dialog, wxWindow* control, wxTextEntry* text) {
    // The toolkit places the caret when the window gets the keyboard, which may come
    // after the dialog is shown; select again once the control really has the focus.
    auto pending = std::make_shared<bool>(false);
    dialog->Bind(wxEVT_SHOW, [control, text, pending](wxShowEvent& event) {
        event.Skip();
        *pending = event.IsShown();
        if (!event.IsShown()) return;
        control->SetFocus();
        text->SelectAll();
    });
    control->Bind(wxEVT_SET_FOCUS, [control, text, pending](wxFocusEvent& event) {
        event.Skip();
        if (!*pending) return;
        *pending = false;
        control->CallAfter([text] { text->SelectAll(); });
    });
}

void GrowToBest(wxWindow* control) {
    const wxSize natural = control->GetBestSize();
    const wxSize given = control->GetSize();
    control->SetSize(wxSize(std::max(natural.x, given.x), std::max(natural.y, given.y)));
}

wxString LeftChars(const wxString& text, size_t maxChars) {
    return text.length() > maxChars ? text.Left(maxChars) : text;
}
