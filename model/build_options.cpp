#include <cstring>

#include "model/project_store.h"

namespace {

// Zeroes the whole field, then copies what fits with its terminator.
void StoreText(char* field, size_t fieldSize, const char* text) {
    std::memset(field, 0, fieldSize);
    if (text) std::memcpy(field, text, strnlen(text, fieldSize - 1));
}

// Appends `extension` unless the name already carries it. A name too long to take
// it is shortened so that the extension still ends the name.
const char* CompleteName(char* name, const char* extension) {
    if (ProjectStore::HasExtension(name, extension)) return name;
    const size_t extLength = std::strlen(extension);
    size_t length = strnlen(name, kPathSize - 1);
    if (length + extLength > kPathSize - 1) length = kPathSize - 1 - extLength;
    std::memcpy(name + length, extension, extLength + 1);
    return name;
}

} // namespace

bool ProjectStore::HasExtension(const char* name, const char* extension) {
    if (!name || !extension || name[0] == '\0') return false;
    const char* dot = std::strchr(name, '.');
    return dot && std::strcmp(dot, extension) == 0;
}

const char* ProjectStore::GetArchiveName() {
    return CompleteName(archiveName_, ".bxa");
}
void ProjectStore::SetArchiveName(const char* name) {
    StoreText(archiveName_, sizeof archiveName_, name);
}

const char* ProjectStore::GetHeaderName() {
    return CompleteName(headerName_, ".h");
}
void ProjectStore::SetHeaderName(const char* name) {
    StoreText(headerName_, sizeof headerName_, name);
}

const char* ProjectStore::GetLogName() {
    return CompleteName(logName_, ".crg");
}
void ProjectStore::SetLogName(const char* name) {
    StoreText(logName_, sizeof logName_, name);
}

const char* ProjectStore::GetFileIdPrefix() const {
    return fileIdPrefix_[0] ? fileIdPrefix_ : nullptr;
}
void ProjectStore::SetFileIdPrefix(const char* prefix) {
    StoreText(fileIdPrefix_, sizeof fileIdPrefix_, prefix);
}
