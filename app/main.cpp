#include <wx/app.h>

#include <cstdio>
#include <cstdlib>

#include "app/corvane_app.h"

wxIMPLEMENT_APP_NO_MAIN(CCorvaneApp);

namespace {

bool HasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

const char* const kNoDisplay = "corvane: cannot open the display; set DISPLAY or run under xvfb-run\n";

} // namespace

int main(int argc, char** argv) {
    if (!HasDisplay()) {
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
