#include "app/corvane_view.h"

#include <wx/menu.h>

#include <algorithm>
#include <memory>

#include "app/command_ids.h"
#include "app/main_frame.h"
#include "dialogs/system_text.h"
#include "model/project_store.h"

namespace {

struct ColumnDef {
    const char* text;
    int chars;
    const char* widest; // the widest text the column shows, when it has a fixed form
};
// Widths are given in characters of 9 pixels.
const ColumnDef kColumns[ColCount] = {
    {wxTRANSLATE("Index"), 8, "    65534"},
    {wxTRANSLATE("Filename"), 12, nullptr},
    {wxTRANSLATE("Path"), 24, nullptr},
    {wxTRANSLATE("Size"), 16, "              4294967295"},
    {wxTRANSLATE("Date"), 12, "8888/88/88 88:88"},
};
constexpr int kPixelsPerChar = 9;
constexpr int kCellPadding = 16; // the generic list's margins around a cell's text

struct PopupDef {
    int id; // 0 marks a separator
    const char* text;
    bool (CMainFrame::*enabled)() const;
};
const PopupDef kPopup[] = {
    {ID_POPUP_CUT, wxTRANSLATE("Cut(&T)"), &CMainFrame::HasSelection},
    {ID_POPUP_PASTE, wxTRANSLATE("Paste(&P)"), &CMainFrame::IsCutPending},
    {0, nullptr, nullptr},
    {ID_POPUP_DELETE, wxTRANSLATE("Delete(&D)"), &CMainFrame::HasSelection},
    {0, nullptr, nullptr},
    {ID_POPUP_SETINDEX, wxTRANSLATE("Set Index(&I)"), &CMainFrame::CanSetIndex},
};

// The generic list (GTK) draws its rows and takes the mouse in an inner window, the
// one child that takes the focus (the column header never does); the native list of
// Windows has no such child and takes its input itself.
wxWindow* FindInputWindow(wxListCtrl* list) {
    for (wxWindow* child : list->GetChildren())
        if (child->AcceptsFocus()) return child;
    return list;
}

} // namespace

CCorvaneView::CCorvaneView(CMainFrame* frame, wxWindow* parent)
    : wxListCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxBORDER_SUNKEN),
      frame_(frame), store_(GetProjectStore()), input_(nullptr) {}

void CCorvaneView::OnInitialUpdate() {
    Rebuild();
    for (int i = 0; i < ColCount; ++i) {
        // Nine pixels a character, unless the toolkit's font needs more for the widest
        // text of the column: a date cut to "2026/12/05 1..." helps nobody.
        int width = kColumns[i].chars * kPixelsPerChar;
        if (kColumns[i].widest) width = std::max(width, GetTextExtent(kColumns[i].widest).x + kCellPadding);
        InsertColumn(i, wxGetTranslation(kColumns[i].text), wxLIST_FORMAT_LEFT, width);
    }
    // Room for every slot is reserved once, so a rebuild never has to grow the rows.
    rows_.reserve(kSlotCount);

    input_ = FindInputWindow(this);
    // The frame's accelerators are translated before the list sees a key, so a key that
    // is a command (Delete after a Jump) acts on the words recorded before it; only keys
    // that reach the list record the selection.
    input_->Bind(wxEVT_KEY_DOWN, &CCorvaneView::OnKeyDown, this);
    input_->Bind(wxEVT_LEFT_UP, &CCorvaneView::OnLeftUp, this);
    input_->Bind(wxEVT_RIGHT_UP, &CCorvaneView::OnRightUp, this);
    input_->Bind(wxEVT_MOTION, &CCorvaneView::OnMotion, this);
    Bind(wxEVT_MENU, &CCorvaneView::OnPopupCommand, this, ID_POPUP_CUT, ID_POPUP_SETINDEX);
}

void CCorvaneView::OnUpdate(long hint) {
    if (hint == HINT_JUMP)
        SelectJumpTarget();
    else
        Rebuild();
}

void CCorvaneView::Rebuild() {
    DeleteAllItems();
    BuildListRows(*store_, &rows_);
    SetItemCount(static_cast<long>(rows_.size()));
    Refresh();
}

uint32_t CCorvaneView::RowSlot(long row) const {
    if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return kNoSlot;
    return rows_[static_cast<size_t>(row)].slot;
}

wxString CCorvaneView::OnGetItemText(long item, long column) const {
    if (item < 0 || static_cast<size_t>(item) >= rows_.size()) return wxString();
    return FromSystemText(ListRowText(rows_[static_cast<size_t>(item)], static_cast<int>(column)));
}

void CCorvaneView::SelectJumpTarget() {
    const uint32_t target = store_->GetJumpIndex();
    // Clearing every row at once is one call on a virtual list; the target row is then set alone.
    SetItemState(-1, 0, wxLIST_STATE_SELECTED);
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].slot == target && !rows_[i].IsGap()) {
            long row = static_cast<long>(i);
            EnsureVisible(row);
            SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        }
    }
}

bool CCorvaneView::RecordSelection() {
    long first = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    if (first < 0) return false;
    store_->SetSelection(static_cast<uint32_t>(first), static_cast<uint32_t>(GetSelectedItemCount()));
    store_->SetSelFirstSlot(RowSlot(first));
    return true;
}

namespace {

// A modifier pressed on its own does nothing to the list; taking it as a key of the list
// would record the selection on the way to every Shift or Ctrl accelerator.
bool IsModifierKey(int code) {
    switch (code) {
    case WXK_SHIFT:
    case WXK_CONTROL:
    case WXK_ALT:
    case WXK_WINDOWS_LEFT:
    case WXK_WINDOWS_RIGHT:
    case WXK_CAPITAL:
    case WXK_NUMLOCK:
    case WXK_SCROLL:
        return true;
    default:
        return false;
    }
}

} // namespace

void CCorvaneView::OnKeyDown(wxKeyEvent& event) {
    if (event.AltDown() || IsModifierKey(event.GetKeyCode())) {
        event.Skip();
        return;
    }
    // The list moves or extends its selection after the words were taken. With nothing
    // selected the key never reaches the list at all.
    if (RecordSelection()) event.Skip();
}

void CCorvaneView::OnLeftUp(wxMouseEvent& event) {
    // The list settles its selection while handling the click; record it afterwards.
    event.Skip();
    CallAfter([this] { RecordSelection(); });
}

void CCorvaneView::OnMotion(wxMouseEvent& event) {
    lastPointer_ = event.GetPosition();
    event.Skip();
}

wxMenu* CCorvaneView::CreatePopupMenu() const {
    auto* menu = new wxMenu;
    for (const PopupDef& item : kPopup) {
        if (item.id == 0) {
            menu->AppendSeparator();
            continue;
        }
        menu->Append(item.id, wxGetTranslation(item.text));
        menu->Enable(item.id, (frame_->*item.enabled)());
    }
    return menu;
}

void CCorvaneView::OnRightUp(wxMouseEvent& event) {
    // The right click itself records nothing: the items act on the words of the last
    // left click or key press.
    std::unique_ptr<wxMenu> menu(CreatePopupMenu());
    input_->PopupMenu(menu.get(), lastPointer_);
    event.Skip(false);
}

void CCorvaneView::OnPopupCommand(wxCommandEvent& event) {
    frame_->ShowStatusLine(wxString());
    switch (event.GetId()) {
    case ID_POPUP_CUT:
        frame_->OnEditCut();
        break;
    case ID_POPUP_PASTE:
        frame_->OnEditPaste();
        break;
    case ID_POPUP_DELETE:
        frame_->OnEditDelete();
        break;
    case ID_POPUP_SETINDEX:
        frame_->OnToolIndex();
        break;
    default:
        break;
    }
}
