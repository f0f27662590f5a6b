#include "support/process_maps.h"

#include <cstdint>
#include <fstream>
#include <sstream>

namespace testsupport {

std::string mapsLineOf(const void* address) {
    const auto a = reinterpret_cast<uintptr_t>(address);
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        uintptr_t lo = 0, hi = 0;
        char dash;
        std::istringstream(line) >> std::hex >> lo >> dash >> hi;
        if (a >= lo && a < hi) return line;
    }
    return "";
}

}  // namespace testsupport
