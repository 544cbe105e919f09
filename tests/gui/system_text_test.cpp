// The crossing between the toolkit's strings and the system's 8-bit texts: what a
// dialog or the list shows is what the file calls are handed, and a text cut to fit a
// fixed array never ends in half a character.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/system_text.h"
#include "platform/text_encoding.h"

namespace {

// The Windows side runs with an English system, whose code page is 1252.
struct Spelling {
    const char* name;
    const wchar_t* text;
    const char* utf8;
    const char* cp1252;
};

const Spelling kSpellings[] = {
    {"Ascii", L"C:\\data\\bgm.qsd", "C:\\data\\bgm.qsd", "C:\\data\\bgm.qsd"},
    {"Accented", L"caf\u00e9", "caf\xc3\xa9", "caf\xe9"},
    {"CodePageOnly", L"\u20ac 5", "\xe2\x82\xac 5", "\x80 5"},
    {"Kanji", L"a\u65e5-", "a\xe6\x97\xa5-", "a?-"},
};

const char* Expected(const Spelling& s) {
    return platform::kSystemTextIsUtf8 ? s.utf8 : s.cp1252;
}

// Both ways, except where a character has no byte in the system's text.
TEST(SystemText, ToolkitTextsBecomeTheSystemsBytesAndBack) {
    for (const Spelling& s : kSpellings) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(ToSystemText(wxString(s.text)), Expected(s));
        if (std::string(Expected(s)).find('?') == std::string::npos) {
            EXPECT_EQ(FromSystemText(Expected(s)), wxString(s.text));
        }
    }
}

TEST(SystemText, ForeignBytesShowAsLatin1) {
    // Not UTF-8, and "\x81" is undefined in 1252: the fallback still shows something.
    EXPECT_EQ(FromSystemText("a\xff\x81"), wxString(L"a\u00ff\u0081"));
    EXPECT_EQ(FromSystemText(std::string()), wxString());
    EXPECT_EQ(FromSystemText(static_cast<const char*>(nullptr)), wxString());
}

TEST(SystemText, ACutKeepsTheWholeCharactersThatFit) {
    const wxString text(L"a\u00e9\u65e5\u20ac\U0001F600z");
    // Where each character ends in the uncut bytes.
    std::vector<size_t> ends;
    for (size_t k = 0; k <= text.length(); ++k)
        ends.push_back(ToSystemText(text.Left(k)).size());
    const std::string whole = ToSystemText(text);
    for (size_t max = 0; max <= whole.size() + 1; ++max) {
        SCOPED_TRACE(max);
        size_t fits = 0;
        for (size_t end : ends)
            if (end <= max) fits = end;
        EXPECT_EQ(ToSystemText(text, max), whole.substr(0, fits));
    }
}

} // namespace
