// Lists of registered files: Open List replaces the whole table with a list file,
// Save List writes the table to one, and the last lists opened or saved are offered
// again at the end of the File menu.
#include <wx/filedlg.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>

#include <filesystem>

#include "app/command_ids.h"
#include "app/main_frame.h"
#include "dialogs/system_text.h"
#include "model/list_file.h"
#include "model/project_store.h"
#include "platform/file_replace.h"

namespace {

// "*" rather than "*.*" for all files: on this system many files have no dot at all.
wxString ListFilter() {
    return _("List files (*.lst)|*.lst|All files (*)|*");
}

// False only when `path` certainly names nothing: a list that could not be looked at
// for another reason is not taken for gone.
bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found;
}

} // namespace

bool CMainFrame::ChooseListFile(bool save, std::string* path) {
    // Where the user last kept a list, or else where files are registered from.
    std::string folder, name;
    if (!recent_.Paths().empty()) {
        folder = ListFolder(recent_.Paths().front());
        name = recent_.Paths().front().substr(folder.size() + (folder == "/" ? 0 : 1));
    } else if (const char* current = store_->GetCurrentFolder()) {
        folder = current;
    }
    // Save asks about replacing a file itself (OnFileSaveList), once the name is final.
    wxFileDialog dialog(this, save ? _("Save List") : _("Open List"), FromSystemText(folder),
                        save ? FromSystemText(name) : wxString(), ListFilter(),
                        save ? wxFD_SAVE : wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK) return false;
    *path = ToSystemText(dialog.GetPath());
    // With the list filter chosen, a name typed without extension means a list file.
    if (save && dialog.GetFilterIndex() == 0 && !path->empty()) *path = WithListExtension(*path);
    return !path->empty();
}

void CMainFrame::OnFileOpenList() {
    std::string path;
    if (ChooseListFile(false, &path)) OpenList(path, true);
}

void CMainFrame::OnFileRecentList(size_t which) {
    if (which >= recent_.Paths().size()) return;
    const std::string list = recent_.Paths()[which];
    // A list that is gone is offered no more once the user has been told.
    if (!OpenList(list, true) && !Exists(list) && recent_.Remove(list)) SaveRecentLists();
}

bool CMainFrame::OpenList(const std::string& path, bool ask) {
    const std::string list = AbsoluteListPath(path);
    std::vector<ListEntry> entries;
    std::string error;
    if (!ReadList(list, &entries, &error)) {
        wxMessageBox(wxString::Format(_("The list was not opened.\n%s"), FromSystemText(error)), _("Error"),
                     wxOK | wxICON_ERROR, this);
        return false;
    }
    const uint32_t count = store_->CountEntries();
    if (ask && count != 0 &&
        wxMessageBox(wxString::Format(_("Replace the %u registered files with the list?"), count),
                     _("Open List"), wxYES_NO | wxICON_QUESTION, this) != wxYES)
        return false;
    ReplaceEntries(store_, entries);
    // Nothing recorded before names the same files any more.
    cutPending_ = cutFirstSlot_ = cutCount_ = 0;
    store_->SetSelection(0, 0);
    store_->SetSelFirstSlot(0);
    store_->SetJumpIndex(0);
    doc_.UpdateAllViews(0);
    RememberList(list);
    return true;
}

void CMainFrame::OnFileSaveList() {
    std::string path;
    if (!ChooseListFile(true, &path)) return;
    if (Exists(path) && wxMessageBox(wxString::Format(_("%s already exists.\nDo you want to replace it?"),
                                                      FromSystemText(path)),
                                     _("Save List"), wxYES_NO | wxNO_DEFAULT | wxICON_WARNING, this) != wxYES)
        return;
    SaveList(path);
}

bool CMainFrame::SaveList(const std::string& path) {
    const std::string list = AbsoluteListPath(path);
    std::string text, error;
    bool saved = FormatList(*store_, ListFolder(list), &text, &error);
    if (saved) {
        const platform::ReplaceResult result = platform::replaceFile(list, text.data(), text.size());
        saved = result.ok();
        if (!saved) error = list + ": " + result.reason;
    }
    if (!saved) {
        wxMessageBox(wxString::Format(_("The list was not saved.\n%s"), FromSystemText(error)), _("Error"),
                     wxOK | wxICON_ERROR, this);
        return false;
    }
    RememberList(list);
    return true;
}

void CMainFrame::UseRecentListsFile(const std::string& file) {
    recentFile_ = file;
    recent_.Load(file);
    UpdateRecentMenu();
}

void CMainFrame::RememberList(const std::string& list) {
    recent_.Add(list);
    SaveRecentLists();
}

void CMainFrame::SaveRecentLists() {
    UpdateRecentMenu();
    std::string error;
    // Losing the recent lists is no reason to trouble the user.
    if (!recentFile_.empty()) recent_.Save(recentFile_, &error);
}

void CMainFrame::UpdateRecentMenu() {
    wxMenu* file = GetMenuBar() ? GetMenuBar()->GetMenu(0) : nullptr;
    if (!file) return;
    for (int i = 0; i < static_cast<int>(RecentLists::kMaxLists); ++i)
        if (file->FindItem(ID_FILE_RECENT_LIST + i)) file->Destroy(ID_FILE_RECENT_LIST + i);
    if (recentSeparator_) file->Destroy(recentSeparator_);
    recentSeparator_ = nullptr;
    if (recent_.Paths().empty()) return;
    // Behind the separator that follows the other commands, then one of their own before Exit.
    size_t at = static_cast<size_t>(file->GetMenuItems().IndexOf(file->FindItem(ID_APP_EXIT)));
    for (size_t i = 0; i < recent_.Paths().size(); ++i) {
        wxString label = FromSystemText(recent_.Paths()[i]);
        label.Replace("&", "&&");
        file->Insert(at++, ID_FILE_RECENT_LIST + static_cast<int>(i),
                     wxString::Format("&%zu %s", i + 1, label));
    }
    recentSeparator_ = file->InsertSeparator(at);
}
