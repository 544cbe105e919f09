#pragma once
// Shared pieces of the GUI tests: event pumping, a folder of test files, the project put back
// around each test, clicks, modal dialogs answered by a script and a real main frame.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "app/command_ids.h"
#include "app/corvane_view.h"
#include "app/main_frame.h"
#include "dialogs/create_archive_dlg.h"
#include "dialogs/index_dlgs.h"
#include "model/project_store.h"
#include "support/files.h"
#include "support/system.h"

inline void Pump() {
    for (int i = 0; i < 3; ++i) {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->Yield(true);
    }
}

// Lets the X server and the toolkit deliver what is on its way, for about `ms`.
inline void Settle(int ms = 50) {
    for (int i = 0; i < ms / 5; ++i) {
        wxMilliSleep(5);
        Pump();
    }
}

// A key pressed for real: the X server hands it to the focused window, so it takes the
// user's path (accelerators first, then the focused control). A `target` inside a window
// gets the focus; a window keeps the focus it gives itself.
inline void PressKey(wxWindow* target, int code, int modifiers = wxMOD_NONE) {
    // Without a window manager nothing gives a window the keyboard: raise it and keep the
    // pointer over it, where the server sends the keys while no window holds the focus.
    wxWindow* top = wxGetTopLevelParent(target);
    top->Raise();
    if (!target->IsTopLevel()) target->SetFocus();
    wxUIActionSimulator sim;
    const wxRect area = top->GetScreenRect();
    if (!area.Contains(wxGetMousePosition())) sim.MouseMove(area.GetLeft() + 4, area.GetTop() + 4);
    Pump();
    sim.Char(code, modifiers);
    Settle();
}

// A fresh folder, removed with its contents, and files of a given size and time in it.
struct TempDir : testsupport::TempDir {
    std::string AddFile(const std::string& name, size_t size, int64_t mtime = 0) const {
        const std::string file = put(name, std::string(size, 'x'));
        if (mtime != 0) testsupport::setFileTime(file, mtime);
        return file;
    }
};

// A button's click, or a check box's (the dialogs keep their own ticks, not the box's).
inline void Click(wxWindow* dialog, int id, wxEventType type = wxEVT_BUTTON) {
    wxWindow* control = dialog->FindWindow(id);
    ASSERT_NE(control, nullptr) << "no control " << id;
    wxCommandEvent event(type, id);
    event.SetEventObject(control);
    control->ProcessWindowEvent(event);
}
inline void Toggle(wxWindow* dialog, int id) {
    Click(dialog, id, wxEVT_CHECKBOX);
}

inline wxTextCtrl* Edit(wxWindow* dialog, int id) {
    return static_cast<wxTextCtrl*>(dialog->FindWindow(id));
}

// A script answer for the Set Index and Jump dialogs: types `text` and presses OK.
inline std::function<int(wxDialog*)> TypeIndex(const char* text) {
    return [text](wxDialog* dialog) {
        dialog->InitDialog();
        Edit(dialog, CIndexDlgBase::IDC_INDEX)->SetValue(text);
        Click(dialog, wxID_OK);
        return wxID_OK;
    };
}

// The creation dialog filled in as a user would and closed with Make: the archive name,
// then for each further box its tick and the text for its edit.
inline std::function<int(wxDialog*)> Make(const std::string& archive,
                                          const std::vector<std::tuple<int, int, std::string>>& boxes = {}) {
    return [=](wxDialog* dialog) {
        dialog->InitDialog();
        Edit(dialog, CCreateArchiveDlg::IDC_ARCHIVE)->SetValue(archive);
        for (const auto& [box, edit, text] : boxes) {
            Toggle(dialog, box);
            Edit(dialog, edit)->SetValue(text);
        }
        Click(dialog, wxID_OK);
        return wxID_OK;
    };
}

// Answers every modal dialog and message box without showing it: `answer` sees the
// dialog first and gives ShowModal's result (Cancel when unset).
class DialogScript : public wxModalDialogHook {
  public:
    DialogScript() { Register(); }
    ~DialogScript() override { Unregister(); }
    std::function<int(wxDialog*)> answer;
    int shown = 0;
    std::vector<wxString> boxes; // "caption: message" of each message box

  protected:
    int Enter(wxDialog* dialog) override {
        ++shown;
        if (auto* box = dynamic_cast<wxMessageDialogBase*>(dialog))
            boxes.push_back(box->GetTitle() + ": " + box->GetMessage());
        return answer ? answer(dialog) : wxID_CANCEL;
    }
    void Exit(wxDialog*) override {}
};

// The project lives for the whole process: its settings are put back after every test,
// and the table and the selection words emptied before it. The build options need no
// reset: the creation dialog writes all of them.
class StoreTest : public ::testing::Test {
  protected:
    ProjectStore* store = GetProjectStore();
    unsigned char saved[kSettingsSize] = {};

    void SetUp() override {
        store->SaveSettings(saved);
        ClearTable();
        SetWords(0, 0, kNoSlot);
    }
    void TearDown() override { store->LoadSettings(saved); }
    void ClearTable() {
        for (uint32_t i = store->GetEntryEnd(); i-- > 0;)
            store->ClearEntry(i);
    }
    std::vector<uint32_t> UsedSlots() const {
        std::vector<uint32_t> used;
        for (uint32_t s = 0; s < kSlotCount; ++s)
            if (store->GetEntryPath(s)) used.push_back(s);
        return used;
    }
    // The selection words the list records: position, count and the first selected row's slot.
    void SetWords(uint32_t position, uint32_t count, uint32_t firstSlot) {
        store->SetSelection(position, count);
        store->SetSelFirstSlot(firstSlot);
    }
};

// A shown frame of type Frame around each test.
template <class Frame = CMainFrame> class FrameTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        frame = new Frame;
        frame->Show();
        view = frame->GetView();
        Pump();
    }
    void TearDown() override {
        frame->Destroy();
        Pump();
        StoreTest::TearDown();
    }

    // Registers a file of its own at each slot and refreshes the list.
    void Use(std::initializer_list<uint32_t> slots) {
        for (uint32_t s : slots)
            ASSERT_TRUE(store->RegisterEntry(dir.AddFile("f" + std::to_string(s), 1).c_str(), s)) << s;
        frame->GetDocument()->UpdateAllViews(0);
    }
    void Drop(const std::vector<std::string>& paths) {
        auto* files = new wxString[paths.size()]; // the event deletes them
        std::copy(paths.begin(), paths.end(), files);
        wxDropFilesEvent event(wxEVT_DROP_FILES, static_cast<int>(paths.size()), files);
        frame->ProcessWindowEvent(event);
    }

    Frame* frame = nullptr;
    CCorvaneView* view = nullptr;
    TempDir dir;
};
