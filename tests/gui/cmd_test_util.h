#pragma once
// Shared pieces of the command and build tests: a real main frame whose file dialog
// is answered by the test, modal dialogs answered by a script, and build ticks.
#include <wx/dialog.h>
#include <wx/dnd.h>
#include <wx/modalhook.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <functional>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/corvane_view.h"
#include "app/main_frame.h"
#include "dialogs/create_archive_dlg.h"
#include "dialogs/index_dlgs.h"
#include "dlg_test_util.h"
#include "gui_test_util.h"

namespace cmdtest {

class ScriptedFrame : public CMainFrame {
  public:
    bool cancel = false;
    std::vector<std::string> choice;
    bool realDialog = false; // the frame's own file dialog, to be answered by a hook

  protected:
    bool ChooseFilesToRegister(wxArrayString* paths) override {
        if (realDialog) return CMainFrame::ChooseFilesToRegister(paths);
        if (cancel) return false;
        for (const std::string& path : choice)
            paths->push_back(wxString::FromUTF8(path));
        return true;
    }
};

// Answers every modal dialog through `answer`, which sees the dialog before anything
// is shown and returns the id ShowModal is to give; no script means Cancel.
class DialogScript : public wxModalDialogHook {
  public:
    DialogScript() { Register(); }
    ~DialogScript() override { Unregister(); }
    std::function<int(wxDialog*)> answer;
    int shown = 0; // dialogs that came here

  protected:
    int Enter(wxDialog* dialog) override {
        ++shown;
        return answer ? answer(dialog) : wxID_CANCEL;
    }
    void Exit(wxDialog*) override {}
};

inline wxTextCtrl* Edit(wxDialog* dialog, int id) {
    return static_cast<wxTextCtrl*>(dialog->FindWindow(id));
}

// Types an index into the Set Index or Jump dialog and presses OK.
inline int TypeIndex(wxDialog* dialog, const char* text) {
    dialog->InitDialog();
    Edit(dialog, CIndexDlgBase::IDC_INDEX)->SetValue(text);
    dlgtest::Click(dialog, wxID_OK);
    return wxID_OK;
}

// The archive creation dialog filled in as a user would and closed with Make.
struct CreateAnswer {
    std::string archive;
    std::string alignment; // empty: box left unticked
    std::string prefix;
    std::string header;
    std::string log;

    int operator()(wxDialog* dialog) {
        auto* create = dynamic_cast<CCreateArchiveDlg*>(dialog);
        if (!create) return wxID_CANCEL;
        create->InitDialog();
        Edit(dialog, CCreateArchiveDlg::IDC_ARCHIVE)->SetValue(archive);
        Fill(dialog, CCreateArchiveDlg::IDC_ALIGN_BOX, CCreateArchiveDlg::IDC_ALIGN, alignment);
        Fill(dialog, CCreateArchiveDlg::IDC_PREFIX_BOX, CCreateArchiveDlg::IDC_PREFIX, prefix);
        Fill(dialog, CCreateArchiveDlg::IDC_HEADER_BOX, CCreateArchiveDlg::IDC_HEADER, header);
        Fill(dialog, CCreateArchiveDlg::IDC_LOG_BOX, CCreateArchiveDlg::IDC_LOG, log);
        dlgtest::Click(dialog, wxID_OK);
        return wxID_OK;
    }
    static void Fill(wxDialog* dialog, int box, int edit, const std::string& text) {
        if (text.empty()) return;
        dlgtest::Toggle(dialog, box);
        Edit(dialog, edit)->SetValue(text);
    }
};

// A real frame, shown, around a project reset before and after each test.
class FrameTest : public dlgtest::StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        frame = new ScriptedFrame;
        frame->Show();
        view = frame->GetView();
        Pump();
    }
    void TearDown() override {
        frame->Destroy();
        Pump();
        StoreTest::TearDown();
    }

    // One timer tick of the build, as the frame's timer delivers it.
    void Tick(int id = kBuildTimerId) {
        wxTimer timer(frame, id);
        wxTimerEvent event(timer);
        frame->OnTimer(event);
    }
    std::string Title() const { return frame->GetTitle().ToStdString(); }
    void Drop(const std::vector<std::string>& paths) {
        auto* files = new wxString[paths.size()]; // the event deletes them
        std::copy(paths.begin(), paths.end(), files);
        wxDropFilesEvent event(wxEVT_DROP_FILES, static_cast<int>(paths.size()), files);
        frame->GetEventHandler()->ProcessEvent(event);
    }

    ScriptedFrame* frame = nullptr;
    CCorvaneView* view = nullptr;
    TempDir dir;
};

} // namespace cmdtest
