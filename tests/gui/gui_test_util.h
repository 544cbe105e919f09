#pragma once
// Shared helpers of the GUI tests.
#include <wx/app.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

#include <string>

#include "model/project_store.h"

// Empties the table and the selection words the tests touch (the store lives for the whole process).
inline void ResetStore() {
    ProjectStore* store = GetProjectStore();
    for (uint32_t i = 0, end = store->GetEntryEnd(); i < end; ++i)
        store->ClearEntry(i);
    store->SetSelection(0, 0);
    store->SetSelFirstSlot(0);
    store->SetJumpIndex(0);
}

inline void Pump() {
    for (int i = 0; i < 3; ++i) {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->Yield(true);
    }
}

// Runs the event loop until `done` holds or `ms` milliseconds have passed (events
// from the X server arrive some time after they were sent).
template <class Pred> bool PumpUntil(Pred done, int ms = 2000) {
    wxStopWatch watch;
    while (!done()) {
        if (watch.Time() > ms) return false;
        Pump();
        wxMilliSleep(5);
    }
    return true;
}

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    // Writes `size` bytes into a new file and gives its full path.
    std::string AddFile(const std::string& name, size_t size, long long mtime = 0);

  private:
    std::string path_;
};
