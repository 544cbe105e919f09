#pragma once
// Reading a small text file whole, without ever waiting on a FIFO or a device.
#include <cstddef>
#include <string>

// Reads at most `limit` bytes of the regular file `path` into `text`. False with
// `error` set ("PATH: reason") when it is missing, unreadable or not a regular file.
bool ReadRegularFile(const std::string& path, size_t limit, std::string* text, std::string* error);
