// Other toolkits report a window destroyed from outside through their own close or
// destroy events, which wx already turns into the frame's close.
#include "app/outside_close.h"

void CloseWhenDestroyedFromOutside(wxTopLevelWindow* /*window*/) {}
