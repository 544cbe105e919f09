// Registration and editing commands of the main frame. Each command that changes the
// entry table ends by refreshing the list through the document. None of them says a
// word: a refused step simply changes nothing.
#include <wx/dnd.h>
#include <wx/filedlg.h>

#include <algorithm>
#include <cstdint>

#include "app/command_ids.h"
#include "app/main_frame.h"
#include "dialogs/about_dlg.h"
#include "dialogs/index_dlgs.h"
#include "dialogs/option_dlg.h"
#include "dialogs/system_text.h"
#include "model/project_store.h"

namespace {

// "*" rather than "*.*" for all files: on this system many files have no dot at all.
const char kRegistrationFilter[] = "ALL files (*.*)|*|QSD files (*.qsd)|*.qsd|QMV files (*.qmv)|*.qmv";

// Appends behind the last used slot, never into a gap. Whatever would land past the
// last slot of the table is left out, as is a path too long for a slot.
void AppendEntries(ProjectStore* store, const wxArrayString& paths) {
    const uint32_t end = store->GetEntryEnd();
    for (size_t k = 0; k < paths.size() && end + k < kSlotCount; ++k)
        store->RegisterEntry(ToSystemText(paths[k]).c_str(), static_cast<uint32_t>(end + k));
}

} // namespace

bool CMainFrame::ChooseFilesToRegister(wxArrayString* paths) {
    const char* folder = store_->GetCurrentFolder();
    wxFileDialog dialog(this, _("File Open"), FromSystemText(folder), wxString(), kRegistrationFilter,
                        wxFD_OPEN | wxFD_MULTIPLE | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK) return false;
    dialog.GetPaths(*paths);
    return true;
}

void CMainFrame::OnFileRegistration() {
    wxArrayString paths;
    // Every chosen file is registered, in the dialog's order, however many there are.
    if (!ChooseFilesToRegister(&paths)) return;
    AppendEntries(store_, paths);
    doc_.UpdateAllViews(0);
}

void CMainFrame::OnDropFiles(wxDropFilesEvent& event) {
    wxArrayString paths;
    for (int i = 0; i < event.GetNumberOfFiles(); ++i)
        paths.push_back(event.GetFiles()[i]);
    AppendEntries(store_, paths);
    doc_.UpdateAllViews(0);
}

// A selection that begins on a gap row names no slot; Cut, Delete and Set Index then
// leave everything as it is rather than guess where the block starts.

void CMainFrame::OnEditCut() {
    uint32_t count = 0;
    store_->GetSelection(nullptr, &count);
    const uint32_t first = store_->GetSelFirstSlot();
    if (count == 0 || first == kNoSlot) return;
    cutPending_ = 1;
    cutFirstSlot_ = first;
    cutCount_ = count;
}

void CMainFrame::OnEditPaste() {
    CSetIndexDlg dialog(this);
    if (dialog.ShowModal() != wxID_OK) return;
    // The cut is used up even when the move is refused.
    cutPending_ = 0;
    uint32_t target = 0;
    store_->GetSelection(&target, nullptr);
    store_->MoveEntries(cutFirstSlot_, target, cutCount_);
    doc_.UpdateAllViews(0);
}

void CMainFrame::OnEditDelete() {
    uint32_t count = 0;
    store_->GetSelection(nullptr, &count);
    const uint32_t first = store_->GetSelFirstSlot();
    if (count == 0 || first >= kSlotCount) return;
    // Empty slots in the block are simply passed over; the block stops at the table's end.
    const uint64_t last = std::min<uint64_t>(uint64_t(first) + count, kSlotCount);
    for (uint64_t i = first; i < last; ++i)
        store_->ClearEntry(static_cast<uint32_t>(i));
    doc_.UpdateAllViews(0);
}

void CMainFrame::OnToolIndex() {
    const uint32_t source = store_->GetSelFirstSlot();
    if (source == kNoSlot) return;
    CSetIndexDlg dialog(this);
    if (dialog.ShowModal() != wxID_OK) return;
    uint32_t target = 0;
    uint32_t count = 0;
    store_->GetSelection(&target, &count);
    store_->MoveEntries(source, target, count);
    doc_.UpdateAllViews(0);
}

void CMainFrame::OnViewJump() {
    CJumpDlg dialog(this);
    if (dialog.ShowModal() != wxID_OK) return;
    doc_.UpdateAllViews(HINT_JUMP);
}

void CMainFrame::OnToolOption() {
    COptionDlg dialog(this);
    dialog.ShowModal();
}

void CMainFrame::OnAppAbout() {
    CAboutDlg dialog(this);
    dialog.ShowModal();
}
