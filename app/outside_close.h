#pragma once
// A main window that the window system destroys without asking it to close first
// (as `xdotool windowclose` does) still ends the program the way File > Exit does;
// otherwise the process would wait on in its event loop with no window.
class wxTopLevelWindow;

void CloseWhenDestroyedFromOutside(wxTopLevelWindow* window);
