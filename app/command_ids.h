#pragma once
// Command ids of the window. The program has always numbered its commands as 16-bit
// words with the high bit set for most of them (File Registration is 57601, Delete
// 32771), but wx takes only ids below 0x7fff. Each id here is that number with the
// high bit cleared, which keeps them distinct, clear of wx's stock ids (4999 to 5999)
// and of the popup's 501 to 504, which keep their numbers.

constexpr int kCommandHighBit = 0x8000;

enum CommandId : int {
    ID_FILE_OPEN = 57601 - kCommandHighBit,
    ID_EDIT_CUT = 57635 - kCommandHighBit,
    ID_EDIT_PASTE = 57637 - kCommandHighBit,
    ID_APP_EXIT = 57665 - kCommandHighBit,
    ID_APP_ABOUT = 57664 - kCommandHighBit,
    ID_VIEW_TOOLBAR = 59392 - kCommandHighBit,
    ID_VIEW_STATUS_BAR = 59393 - kCommandHighBit,

    ID_EDIT_DELETE = 32771 - kCommandHighBit,
    ID_VIEW_NEWPAGE = 32772 - kCommandHighBit,
    ID_TOOL_START = 32773 - kCommandHighBit,
    ID_TOOL_STOP = 32774 - kCommandHighBit,
    ID_TOOL_OPTION = 32775 - kCommandHighBit,
    ID_TOOL_INDEX = 32776 - kCommandHighBit,
    ID_VIEW_JUMP = 32787 - kCommandHighBit,

    // Lists of registered files; the recent lists take four ids from the first one on.
    ID_FILE_OPEN_LIST = 32790 - kCommandHighBit,
    ID_FILE_SAVE_LIST = 32791 - kCommandHighBit,
    ID_FILE_RECENT_LIST = 32792 - kCommandHighBit,

    // The list's popup menu.
    ID_POPUP_CUT = 501,
    ID_POPUP_PASTE = 502,
    ID_POPUP_DELETE = 503,
    ID_POPUP_SETINDEX = 504,
};

static_assert(ID_VIEW_STATUS_BAR < 0x7fff && ID_FILE_RECENT_LIST + 3 < ID_POPUP_CUT && ID_FILE_OPEN > 5999,
              "valid wx ids, apart from each other and from the stock ids");

// The build timer's id.
constexpr int kBuildTimerId = 1;

// Refresh hint that asks the list to select the jump target instead of rebuilding.
constexpr long HINT_JUMP = -2;
