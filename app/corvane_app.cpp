#include "app/corvane_app.h"

#include <cstdio>

#include <wx/intl.h>
#include <wx/translation.h>
#include <wx/uilocale.h>

#include "app/command_ids.h"
#include "app/main_frame.h"
#include "app/outside_close.h"
#include "dialogs/system_text.h"
#include "engine/build_job.h"
#include "model/project_store.h"
#include "model/recent_lists.h"
#include "model/settings_file.h"
#include "platform/exe_path.h"

namespace {

const char* const kInstanceName = "CORVANE";

} // namespace

bool CCorvaneApp::startedUp_ = false;

CCorvaneApp::CCorvaneApp() {
    SetAppName(wxS("Corvane"));
    Bind(wxEVT_MENU, &CCorvaneApp::OnAppExit, this, ID_APP_EXIT);
}

void CCorvaneApp::SetUpTranslations() {
    // Never wxLocale::Init: a locale that is not generated would bring up a modal box.
    wxUILocale::UseDefault();
    auto* translations = new wxTranslations;
    wxTranslations::Set(translations);
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(
        FromSystemText(platform::executableDir() + CORVANE_LOCALE_FROM_BIN));
    translations->SetLanguage(wxLANGUAGE_DEFAULT);
    translations->AddStdCatalog();
    translations->AddCatalog(wxS("corvane"));
}

bool CCorvaneApp::OnInit() {
    // No wxApp::OnInit: the program has no options; the one argument it takes, a
    // list file, is opened once the window is up.
    startedUp_ = true;
    SetUpTranslations();
    running_ = InitInstance();
    return true;
}

int CCorvaneApp::OnRun() {
    if (!running_) return 0;
    return wxApp::OnRun();
}

int CCorvaneApp::OnExit() {
    int code = ExitInstance();
    wxApp::OnExit();
    return code;
}

bool CCorvaneApp::InitInstance() {
    instanceLock_ = std::make_unique<platform::InstanceLock>(kInstanceName);
    if (instanceLock_->Acquire() != platform::InstanceLock::Result::Acquired) {
        // Another copy runs, or no lock can be taken at all, so there is no telling
        // whether one runs: end without a window or a word, and never touch the settings.
        firstInstance_ = false;
        return false;
    }
    store_ = GetProjectStore();
    LoadSettingsFile();

    auto* frame = new CMainFrame;
    SetTopWindow(frame);
    frame->Show(true);
    frame->Update();
    frame->DragAcceptFiles(true);
    CloseWhenDestroyedFromOutside(frame);
    engineInit();
    const SettingsFilePaths settings = LocateSettingsFile();
    frame->UseRecentListsFile(RecentListsFileBeside(settings.save.empty() ? settings.read : settings.save));
    // A list named on the command line is opened as Open List would, on an empty table.
    if (argc > 1) frame->OpenList(ToSystemText(argv[1]), false);
    return true;
}

int CCorvaneApp::ExitInstance() {
    if (firstInstance_) {
        engineFinish();
        SaveSettingsFile();
    }
    return 0;
}

void CCorvaneApp::LoadSettingsFile() {
    ::LoadSettingsFile(GetProjectStore(), LocateSettingsFile().read);
}

void CCorvaneApp::SaveSettingsFile() {
    // Asked again at exit: the file or its folder may have changed during the run.
    const std::string path = LocateSettingsFile().save;
    const platform::ReplaceResult saved = ::SaveSettingsFile(GetProjectStore(), path);
    // The program is ending: one line for whoever started it, never a box, no retry.
    if (!saved.ok())
        std::fprintf(stderr, "corvane: the settings could not be saved%s%s: %s\n", path.empty() ? "" : " to ",
                     path.c_str(), saved.reason.c_str());
}

void CCorvaneApp::OnAppExit(wxCommandEvent&) {
    if (wxWindow* top = GetTopWindow()) top->Close();
}
