#include "dialogs/system_text.h"

#include <wx/strconv.h>

#include "platform/text_encoding.h"

namespace {

const wxMBConv& SystemConv() {
    // wxConvLocal follows the code page Windows gives narrow file calls.
    if (platform::kSystemTextIsUtf8) return wxConvUTF8;
    return wxConvLocal;
}

bool IsLeadSurrogate(wchar_t c) {
    return sizeof(wchar_t) == 2 && c >= 0xD800 && c < 0xDC00;
}

} // namespace

wxString FromSystemText(const char* text) {
    if (text == nullptr || *text == '\0') return wxString();
    wxString converted(text, SystemConv());
    if (converted.empty()) converted = wxString(text, wxConvISO8859_1);
    return converted;
}

wxString FromSystemText(const std::string& text) {
    return FromSystemText(text.c_str());
}

std::string ToSystemText(const wxString& text, size_t maxBytes) {
    const wxMBConv& conv = SystemConv();
    const wxScopedCharBuffer whole = text.mb_str(conv);
    if ((whole.length() > 0 || text.empty()) && whole.length() <= maxBytes)
        return std::string(whole.data(), whole.length());

    // One character at a time: a character that cannot be converted, or a text that
    // would not fit, is only found this way.
    const std::wstring wide = text.ToStdWstring();
    std::string bytes;
    for (size_t i = 0; i < wide.size();) {
        const size_t units = IsLeadSurrogate(wide[i]) && i + 1 < wide.size() ? 2 : 1;
        const wxString character(wide.substr(i, units));
        const wxScopedCharBuffer one = character.mb_str(conv); // may point into `character`
        const std::string piece = one.length() > 0 ? std::string(one.data(), one.length()) : std::string("?");
        if (piece.size() > maxBytes - bytes.size()) break;
        bytes += piece;
        i += units;
    }
    return bytes;
}
