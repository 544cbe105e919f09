#include "platform/exe_path.h"

#include <cstdlib>
#include <windows.h>

namespace platform {

std::string executableDir() {
    char module[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    // A full buffer means a cut path: better no folder than a wrong one.
    if (n == 0 || n >= MAX_PATH) return std::string();
    char drive[_MAX_DRIVE], dir[_MAX_DIR];
    if (::_splitpath_s(module, drive, sizeof drive, dir, sizeof dir, nullptr, 0, nullptr, 0) != 0)
        return std::string();
    return std::string(drive) + dir;
}

std::string fileBesideExecutable(const char* fileName) {
    return executableDir() + fileName;
}

bool isSystemProgramFolder(const std::string& /*dir*/) {
    // Windows guards its program folders with access rights, which the settings file's
    // write check already asks: a copy installed for everyone keeps its settings beside
    // itself where its user may write there, and in the user's folder where not.
    return false;
}

} // namespace platform
