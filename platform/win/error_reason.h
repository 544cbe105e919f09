#pragma once
// The reason a Windows call failed, in the words the C library uses on every
// system, so a message reads the same wherever the program runs.
#include <string>
#include <windows.h>

namespace platform {

std::string reasonOf(DWORD error);

} // namespace platform
