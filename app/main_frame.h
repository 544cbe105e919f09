#pragma once
// The one top-level window: menu, accelerators, toolbar and status bar around the
// file list, the enable rules of every command, and the state the commands share.
#include <wx/arrstr.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include <string>
#include <vector>

#include "app/build_beat.h"
#include "app/corvane_doc.h"
#include "engine/build_job.h"
#include "model/recent_lists.h"

class CCorvaneView;
class ProjectStore;
class wxDropFilesEvent;
class wxMenuItem;

class CMainFrame : public wxFrame {
  public:
    CMainFrame();
    ~CMainFrame() override;

    CCorvaneDoc* GetDocument() { return &doc_; }
    CCorvaneView* GetView() const { return view_; }

    // Queries behind the enable rules; the list's popup greys its items with them too.
    bool HasSelection() const;
    bool IsCutPending() const { return cutPending_ != 0; }
    bool CanSetIndex() const;

    // The enable rule of a command, as its update handler sees it: true when enabled.
    bool IsCommandEnabled(int id);

    // Registration and editing (frame_commands.cpp).
    virtual void OnFileRegistration();
    virtual void OnEditCut();
    virtual void OnEditPaste();
    virtual void OnEditDelete();
    virtual void OnToolIndex();
    virtual void OnViewJump();
    virtual void OnToolOption();
    virtual void OnAppAbout();
    virtual void OnDropFiles(wxDropFilesEvent& event);

    // Lists of registered files (frame_lists.cpp). OpenList reads the list whole: a bad
    // one changes nothing and shows one box; a good one replaces the table, after the
    // user agrees when `ask` is set and the table is not empty. True when replaced.
    virtual void OnFileOpenList();
    virtual void OnFileSaveList();
    void OnFileRecentList(size_t which);
    bool OpenList(const std::string& path, bool ask);
    bool SaveList(const std::string& path);
    // The recent lists are read from `file` now and written to it at every change;
    // a frame without one keeps them for its own life only.
    void UseRecentListsFile(const std::string& file);
    const RecentLists& Recent() const { return recent_; }

    // The build run (frame_build.cpp).
    virtual void OnToolStart();
    virtual void OnToolStop();
    void OnTimer(wxTimerEvent& event);

    bool IsBuildRunning() const { return buildRunning_ != 0; }
    const wxTimer& BuildTimer() const { return buildTimer_; }
    // Only the build run changes this; tests set it to reach the building state.
    void SetBuildRunning(bool running) { buildRunning_ = running ? 1 : 0; }

    // The first pane of the status bar: how the last build ended, until the next command.
    void ShowStatusLine(const wxString& text);

    static constexpr int kTickMilliseconds = 10; // the beat of the build steps
    static const char* const kTitle;             // after creation
    static const char* const kIdleTitle;         // after a build ends or stops

  protected:
    bool TryBefore(wxEvent& event) override;

    // The file dialog of File Registration: the chosen full paths in the order the
    // dialog gives them, false when the user cancels. Tests answer it themselves.
    virtual bool ChooseFilesToRegister(wxArrayString* paths);
    // The list file dialog of Open List or Save List: the chosen path, false when the
    // user cancels. Tests answer it themselves.
    virtual bool ChooseListFile(bool save, std::string* path);

  private:
    std::string archivePath_;
    ProjectStore* store_ = nullptr;
    uint32_t buildRunning_ = 0;
    uint32_t cutPending_ = 0;
    uint32_t cutFirstSlot_ = 0;
    uint32_t cutCount_ = 0;
    wxTimer buildTimer_;
    BuildRecord buildList_[kMaxEntries] = {};
    void* buildBlock_ = nullptr;
    BuildJob* job_ = nullptr;

    RecentLists recent_;
    std::string recentFile_;
    wxMenuItem* recentSeparator_ = nullptr;
    void RememberList(const std::string& list);
    void UpdateRecentMenu();
    // Shows the recent lists in the File menu and keeps them in their file.
    void SaveRecentLists();

    CCorvaneDoc doc_;
    CCorvaneView* view_ = nullptr;
    bool checkingRule_ = false;
    wxString keyIndicators_[3];

    BuildBeat beat_{std::chrono::milliseconds(kTickMilliseconds)};
    bool stepWaiting_ = false;       // a step ran and the next waits for the window to be idle
    std::string firstEngineMessage_; // of the running build, with the system's reason
    uint32_t buildErrors_ = 0;       // faults the released job had met

    // The build run's ending (frame_build.cpp): ReleaseJob closes, destroys and frees
    // the job; EndBuild also stops the timer, clears the flag and restores the title.
    void ReleaseJob();
    void EndBuild();
    void ArmNextStep();
    static void OnEngineMessage(const char* text, void* frame);

    // Resources (frame_bars.cpp).
    void CreateMenus();
    void CreateToolBarWithImages();
    void CreateStatusPanes();
    void CreateAccelerators();
    void UpdateKeyIndicators();

    // The command table and the enable rules (frame_update.cpp).
    struct Command;
    static const std::vector<Command>& Commands();
    static const Command* FindCommand(int id);
    void BindCommands();
    void OnUpdateCommand(wxUpdateUIEvent& event);
    void OnIdle(wxIdleEvent& event);
    void OnViewToolBar();
    void OnViewStatusBar();
};
