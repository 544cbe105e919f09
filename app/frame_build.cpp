// The build run: Start asks for the options and starts the job, each timer tick
// performs one engine step, Stop ends the job at once.
#include "app/main_frame.h"

void CMainFrame::OnToolStart() {}

void CMainFrame::OnToolStop() {}

void CMainFrame::OnTimer(wxTimerEvent&) {}
