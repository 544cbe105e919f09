#pragma once
// A main frame whose command handlers only count their calls, so tests can see
// which commands got through the enable rules.
#include <wx/event.h>

#include <map>
#include <vector>

#include "app/command_ids.h"
#include "app/main_frame.h"

class CountingFrame : public CMainFrame {
  public:
    std::map<int, int> calls;

    void OnFileRegistration() override { ++calls[ID_FILE_OPEN]; }
    void OnEditCut() override { ++calls[ID_EDIT_CUT]; }
    void OnEditPaste() override { ++calls[ID_EDIT_PASTE]; }
    void OnEditDelete() override { ++calls[ID_EDIT_DELETE]; }
    void OnToolIndex() override { ++calls[ID_TOOL_INDEX]; }
    void OnViewJump() override { ++calls[ID_VIEW_JUMP]; }
    void OnToolOption() override { ++calls[ID_TOOL_OPTION]; }
    void OnAppAbout() override { ++calls[ID_APP_ABOUT]; }
    void OnToolStart() override { ++calls[ID_TOOL_START]; }
    void OnToolStop() override { ++calls[ID_TOOL_STOP]; }
    void OnDropFiles(wxDropFilesEvent& event) override {
        for (int i = 0; i < event.GetNumberOfFiles(); ++i)
            dropped.push_back(event.GetFiles()[i]);
    }
    std::vector<wxString> dropped;
    int Calls(int id) { return calls[id]; }
};
