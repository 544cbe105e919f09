#include "model/text_file.h"

#include "platform/file_access.h"

bool ReadRegularFile(const std::string& path, size_t limit, std::string* text, std::string* error) {
    std::string why;
    if (platform::readRegularFile(path, limit, text, &why)) return true;
    *error = path + ": " + why;
    return false;
}
