// Runs the GUI tests inside a real wx application, so frames, menus and the list
// behave as in the program. Listing the tests needs no display.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

#include <algorithm>
#include <cstdio>
#include <string>

static void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                         const wxString& msg) {
    ADD_FAILURE_AT(file.utf8_str(), line)
        << "wx assertion in " << func.utf8_str() << ": " << cond.utf8_str() << " " << msg.utf8_str();
}

int main(int argc, char** argv) {
    // InitGoogleTest takes its own flags out of argv, so look first.
    const bool listing = std::find(argv + 1, argv + argc, std::string("--gtest_list_tests")) != argv + argc;
    testing::InitGoogleTest(&argc, argv);
    if (listing) return RUN_ALL_TESTS();

    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) {
        std::fputs("corvane_gui_tests: cannot open the display; run under xvfb-run\n", stderr);
        return 1;
    }
    wxTheApp->CallOnInit();
    wxSetAssertHandler(FailOnAssert);
    int result = RUN_ALL_TESTS();
    wxEntryCleanup();
    return result;
}
