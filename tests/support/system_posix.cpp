#include "system.h"

#include <sys/stat.h>

namespace testsys {

bool makeFifo(const std::string& path) {
    return ::mkfifo(path.c_str(), 0600) == 0;
}

std::string fullDevice() {
    return "/dev/full";
}

} // namespace testsys
