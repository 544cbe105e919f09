#pragma once
// Whether the window can be shown at all, asked before the toolkit starts: a toolkit
// that finds no display gives up without saying why.

namespace platform {

// True when a display is named (X11 or Wayland); always true on Windows, whose
// desktop every interactive program has.
bool hasDisplay();

} // namespace platform
