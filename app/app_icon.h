#pragma once
#include <wx/icon.h>

// The application's icon at 16 or 32 pixels (any other size gives the 32-pixel one).
wxIcon AppIcon(int size);
