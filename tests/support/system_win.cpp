#include "system.h"

namespace testsys {

// Windows pipes live in their own namespace, never at a path of the file system.
bool makeFifo(const std::string&) {
    return false;
}

std::string fullDevice() {
    return std::string();
}

} // namespace testsys
