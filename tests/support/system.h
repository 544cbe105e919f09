#pragma once
// What tests ask of the system beyond the standard library, one file per system.
#include <string>

namespace testsys {

// Makes a FIFO at `path`; false where the system has no such thing.
bool makeFifo(const std::string& path);

// A device every write to which fails for want of room; empty where there is none.
std::string fullDevice();

} // namespace testsys
