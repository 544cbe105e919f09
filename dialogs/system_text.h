#pragma once
// The one crossing between the toolkit's strings and the project's texts. The project
// keeps paths and names as the system's own 8-bit bytes (UTF-8 on Linux, the ANSI code
// page on Windows), because those bytes go to the file calls unchanged; every wxString
// made from them or turned into them passes through here.
#include <wx/string.h>

#include <string>

// Bytes that are not valid in the system's encoding (an old settings file, a foreign
// list) are shown as Latin-1 rather than dropped.
wxString FromSystemText(const char* text);
wxString FromSystemText(const std::string& text);

// At most `maxBytes` bytes (the terminator not counted), cut before the first character
// that does not fit whole, so no broken multi-byte character reaches a fixed array. A
// character the code page lacks becomes '?', as the system's own conversion writes it.
std::string ToSystemText(const wxString& text, size_t maxBytes = std::string::npos);
