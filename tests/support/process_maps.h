// Reading this process's memory map, for tests of what is mapped where.
#pragma once

#include <string>

namespace testsupport {

// The /proc/self/maps line of the mapping that holds `address`, or "".
std::string mapsLineOf(const void* address);

}  // namespace testsupport
