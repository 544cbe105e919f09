// GTK turns the destruction of a top-level window by someone else into a
// "destroy-event" and then destroys the widget under wx's feet. The event is taken
// here instead and turned into an ordinary close. GObject's connect call is looked up
// at run time: the toolkit's headers are not needed for this one call.
#include "app/outside_close.h"

#include <dlfcn.h>
#include <wx/toplevel.h>

namespace {

using Callback = void (*)();
using ConnectData = unsigned long (*)(void* instance, const char* signal, Callback handler, void* data,
                                      void (*destroyData)(void*, void*), int flags);

int OnDestroyEvent(void* /*widget*/, void* /*event*/, void* data) {
    auto* window = static_cast<wxTopLevelWindow*>(data);
    // The native window is gone already: no one could answer a question, so the close
    // is forced, after this signal has returned.
    window->CallAfter([window] { window->Close(true); });
    return 1; // handled: GTK leaves the widget to wx
}

} // namespace

void CloseWhenDestroyedFromOutside(wxTopLevelWindow* window) {
    auto connect = reinterpret_cast<ConnectData>(dlsym(RTLD_DEFAULT, "g_signal_connect_data"));
    if (connect == nullptr || window == nullptr || window->GetHandle() == nullptr) return;
    connect(window->GetHandle(), "destroy-event", reinterpret_cast<Callback>(&OnDestroyEvent), window,
            nullptr, 0);
}
