#pragma once
// Helpers shared by the dialogs: layout in dialog units, fonts, focus and labels.
#include <wx/string.h>
#include <wx/window.h>

class wxStaticText;
class wxTextEntry;

#include <string>

// The layouts are measured in dialog units of a 10 pt sans-serif font; the
// font has to be in place before any position is converted.
void SetDialogFont(wxWindow* dialog);
wxPoint DluPoint(wxWindow* dialog, int x, int y);
wxSize DluSize(wxWindow* dialog, int width, int height);

// Widens (or heightens) a control to its natural size where the layout
// gives it less; GTK would otherwise wrap or clip its text.
void GrowToBest(wxWindow* control);

// A label at its layout position, widened to its text where the font here is
// wider than the one the layout was measured with: GTK would wrap the text
// and cut off the second line.
wxStaticText* AddLabel(wxWindow* dialog, wxWindowID id, const wxString& text, int x, int y, int width,
                       int height);

// Gives the OK button of `dialog` its own text: the toolkit's stock OK button reads
// "OK(O)" in Japanese.
void SetPlainOkLabel(wxWindow* dialog);

// True when the window's texts come from the Japanese catalog, whose layouts differ.
bool UsesJapaneseTexts();

// When the dialog opens, `control` takes the focus with its whole text selected, so the
// first keystroke replaces the proposal instead of landing in front of it.
void FocusWholeTextOnOpen(wxWindow* dialog, wxWindow* control, wxTextEntry* text);

// At most `maxChars` characters of `text`, the way a fixed buffer of the old
// dialogs read a control.
wxString LeftChars(const wxString& text, size_t maxChars);
