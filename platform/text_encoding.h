#pragma once
// How the system spells texts in 8-bit characters: file names, paths and the project's
// own texts are kept as the system's bytes and handed to its file calls unchanged.

namespace platform {

#ifdef _WIN32
// The narrow file calls read bytes in the system's ANSI code page.
constexpr bool kSystemTextIsUtf8 = false;
#else
constexpr bool kSystemTextIsUtf8 = true;
#endif

} // namespace platform
