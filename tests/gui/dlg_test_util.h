#pragma once
// Shared pieces of the dialog tests: clicks, a stand-in for modal boxes and a
// fixture that puts back whatever a test changed in the project.
#include "model/project_store.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>

#include <functional>
#include <string>
#include <vector>

namespace dlgtest {

inline void Click(wxWindow* dialog, int id) {
    wxWindow* button = dialog->FindWindow(id);
    ASSERT_NE(button, nullptr) << "no control " << id;
    wxCommandEvent event(wxEVT_BUTTON, id);
    event.SetEventObject(button);
    wxPostEvent(button, event);
    wxTheApp->ProcessPendingEvents();
}

// Flips the box the way a click does and reports the click.
inline void Toggle(wxWindow* dialog, int id) {
    auto* box = static_cast<wxCheckBox*>(dialog->FindWindow(id));
    ASSERT_NE(box, nullptr) << "no control " << id;
    box->SetValue(!box->GetValue());
    wxCommandEvent event(wxEVT_CHECKBOX, id);
    event.SetEventObject(box);
    event.SetInt(box->GetValue() ? 1 : 0);
    wxPostEvent(box, event);
    wxTheApp->ProcessPendingEvents();
}

// Answers every modal dialog and message box with `answer` and records the
// message boxes' texts and captions.
class ModalAnswer : public wxModalDialogHook {
  public:
    explicit ModalAnswer(int answer) : answer_(answer) { Register(); }
    ~ModalAnswer() override { Unregister(); }

    std::vector<wxString> messages;
    std::vector<wxString> captions;
    std::vector<long> styles;

  protected:
    int Enter(wxDialog* dialog) override {
        if (auto* box = dynamic_cast<wxMessageDialogBase*>(dialog)) {
            messages.push_back(box->GetMessage());
            captions.push_back(box->GetTitle());
            styles.push_back(box->GetMessageDialogStyle());
        }
        return answer_;
    }
    void Exit(wxDialog*) override {}

  private:
    int answer_;
};

// Saves the settings block and resets the rest of the project around a test.
class StoreTest : public ::testing::Test {
  protected:
    ProjectStore* store = GetProjectStore();

    void SetUp() override {
        store->SaveSettings(saved_);
        ResetRun();
    }
    void TearDown() override {
        store->LoadSettings(saved_);
        ResetRun();
    }

    void UseSettings(const std::vector<std::string>& folders, uint32_t current, uint32_t mode) {
        SettingsBlock block{};
        std::copy_n("CRVN", 4, block.magic);
        block.version = kSettingsVersion;
        block.folderCount = static_cast<uint32_t>(folders.size());
        block.currentFolder = current;
        for (size_t i = 0; i < folders.size() && i < kFolderSlots; ++i) {
            block.folders[i].used = 1;
            folders[i].copy(block.folders[i].path, kFolderSize - 1);
        }
        block.headerNameMode = mode;
        store->LoadSettings(reinterpret_cast<const unsigned char*>(&block), sizeof block);
    }

    static std::string Text(const char* text) { return text != nullptr ? text : "(null)"; }

  private:
    unsigned char saved_[kSettingsSize] = {};

    void ResetRun() {
        for (uint32_t i = store->GetEntryEnd(); i-- > 0;)
            store->ClearEntry(i);
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

} // namespace dlgtest
