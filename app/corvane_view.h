#pragma once
// The file list: a virtual report list over rows computed from the entry table.
#include <wx/listctrl.h>

#include <vector>

#include "app/list_rows.h"

class CMainFrame;
class ProjectStore;
class wxMenu;

class CCorvaneView : public wxListCtrl {
  public:
    CCorvaneView(CMainFrame* frame, wxWindow* parent);

    // Sets up the columns; the first rebuild happens here.
    void OnInitialUpdate();
    // HINT_JUMP selects the jump target, every other hint rebuilds the rows.
    void OnUpdate(long hint);

    const std::vector<ListRow>& Rows() const { return rows_; }
    // The slot a row stands for (all bits set for a gap row or a row out of range).
    uint32_t RowSlot(long row) const;

    // Copies the list's selection into the selection words; false when nothing is selected.
    bool RecordSelection();
    // The popup as the right click shows it, with items greyed by the frame's queries.
    wxMenu* CreatePopupMenu() const;
    // The window that receives the list's mouse and key input.
    wxWindow* InputWindow() const { return input_; }

  protected:
    wxString OnGetItemText(long item, long column) const override;

  private:
    CMainFrame* frame_;
    ProjectStore* store_;
    std::vector<ListRow> rows_;
    wxWindow* input_;
    wxPoint lastPointer_;

    void Rebuild();
    void SelectJumpTarget();

    void OnKeyDown(wxKeyEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnRightUp(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnPopupCommand(wxCommandEvent& event);
};
