#include <wx/app.h>

#include <cstdio>

#include "app/corvane_app.h"
#include "platform/display.h"

wxIMPLEMENT_APP_NO_MAIN(CCorvaneApp);

namespace {

const char* const kNoDisplay = "corvane: cannot open the display; set DISPLAY or run under xvfb-run\n";

} // namespace

int main(int argc, char** argv) {
    if (!platform::hasDisplay()) {
        std::fputs(kNoDisplay, stderr);
        return 1;
    }
    int code = wxEntry(argc, argv);
    // wx gives up before the application starts when the display named cannot be opened.
    if (code != 0 && !CCorvaneApp::StartedUp()) {
        std::fputs(kNoDisplay, stderr);
        return 1;
    }
    return code;
}
