#pragma once
// The application object: one running copy, settings loaded before the window
// and saved after it, the build engine started and finished around the run.
#include <wx/app.h>

#include <memory>

#include "platform/instance_lock.h"

class CMainFrame;
class ProjectStore;

class CCorvaneApp : public wxApp {
  public:
    CCorvaneApp();

    // True when the program is to run; false ends it at once (ExitInstance still runs).
    bool InitInstance();
    int ExitInstance();

    void LoadSettingsFile();
    void SaveSettingsFile();

    bool OnInit() override;
    int OnRun() override;
    int OnExit() override;

    bool IsFirstInstance() const { return firstInstance_; }
    // True once the window system was opened and start-up began.
    static bool StartedUp() { return startedUp_; }

  private:
    bool firstInstance_ = true;
    std::unique_ptr<platform::InstanceLock> instanceLock_;
    ProjectStore* store_ = nullptr;
    bool running_ = false;
    static bool startedUp_;

    void SetUpTranslations();
    void OnAppExit(wxCommandEvent& event);
};

wxDECLARE_APP(CCorvaneApp);
