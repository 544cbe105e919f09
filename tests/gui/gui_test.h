#pragma once
// Shared pieces of the GUI tests: event pumping, a temporary folder, the project put back
// around each test, clicks, modal dialogs answered by a script and a real main frame.
#include <gtest/gtest.h>
#include <utime.h>
#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/dnd.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/stopwatch.h>
#include <wx/textctrl.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/corvane_view.h"
#include "app/main_frame.h"
#include "dialogs/index_dlgs.h"
#include "model/project_store.h"

inline void Pump() {
    for (int i = 0; i < 3; ++i) {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->Yield(true);
    }
}

// Events from the X server arrive some time after they were sent.
template <class Pred> bool PumpUntil(Pred done, int ms = 5000) {
    for (wxStopWatch watch; !done(); wxMilliSleep(5)) {
        if (watch.Time() > ms) return false;
        Pump();
    }
    return true;
}

class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "corvane-gui-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }

    std::string AddFile(const std::string& name, size_t size, time_t mtime = 0) {
        const std::string path = path_ + "/" + name;
        std::ofstream(path, std::ios::binary) << std::string(size, 'x');
        utimbuf times{mtime, mtime};
        if (mtime != 0) utime(path.c_str(), &times);
        return path;
    }

  private:
    std::string path_;
};

inline void Click(wxWindow* dialog, int id) {
    wxWindow* control = dialog->FindWindow(id);
    ASSERT_NE(control, nullptr) << "no control " << id;
    wxCommandEvent event(wxEVT_BUTTON, id);
    event.SetEventObject(control);
    control->ProcessWindowEvent(event);
}

// Flips a check box the way a click does.
inline void Toggle(wxWindow* dialog, int id) {
    auto* box = static_cast<wxCheckBox*>(dialog->FindWindow(id));
    ASSERT_NE(box, nullptr) << "no control " << id;
    box->SetValue(!box->GetValue());
    wxCommandEvent event(wxEVT_CHECKBOX, id);
    event.SetEventObject(box);
    event.SetInt(box->GetValue());
    box->ProcessWindowEvent(event);
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

// The project lives for the whole process: its settings are put back and the rest
// emptied around every test.
class StoreTest : public ::testing::Test {
  protected:
    ProjectStore* store = GetProjectStore();

    void SetUp() override {
        store->SaveSettings(saved_);
        Reset();
    }
    void TearDown() override {
        store->LoadSettings(saved_);
        Reset();
    }
    void ClearTable() {
        for (uint32_t i = store->GetEntryEnd(); i-- > 0;)
            store->ClearEntry(i);
    }
    static std::string Text(const char* text) { return text != nullptr ? text : "(null)"; }

  private:
    unsigned char saved_[kSettingsSize] = {};

    void Reset() {
        ClearTable();
        store->SetArchiveName("");
        store->SetHeaderName("");
        store->SetLogName("");
        store->SetAlignment(2048);
        store->SetFileIdPrefix("");
        store->SetSelection(0, 0);
        store->SetSelFirstSlot(kNoSlot);
        store->SetJumpIndex(0);
    }
};

// The real frame with its file dialog answered by the test's choice; without one the
// frame's own dialog opens (for a DialogScript to answer).
class TestFrame : public CMainFrame {
  public:
    std::vector<std::string> choice;

  protected:
    bool ChooseFilesToRegister(wxArrayString* paths) override {
        if (choice.empty()) return CMainFrame::ChooseFilesToRegister(paths);
        for (const std::string& path : choice)
            paths->push_back(wxString::FromUTF8(path));
        return true;
    }
};

// A shown frame of type Frame around each test.
template <class Frame> class FrameTest : public StoreTest {
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
