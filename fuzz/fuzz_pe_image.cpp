// The module loader on arbitrary bytes: checked against the input's length,
// mapped, looked up and unmapped. The entry point is cleared first, so that
// no code of the input ever runs.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "audio/module_loader.h"
#include "audio/pe_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!moduleImageFits(data, size)) return 0;
    std::vector<uint8_t> image(data, data + size);
    uint8_t* nt = image.data() + pe::read32(image.data() + pe::kNtHeadersOffset);
    // Reservations of gigabytes would only measure the machine's memory.
    if (pe::read32(nt + pe::kSizeOfImage) > (64u << 20) ||
        pe::read32(nt + pe::kSectionAlignment) > (16u << 20))
        return 0;
    pe::write32(nt + pe::kAddressOfEntryPoint, 0);
    MappedModule* module = mapModuleImage(image.data(), image.size());
    if (module) {
        lookupModuleExport(module, "FMOD_System_Create");
        lookupModuleExport(module, "");
        unmapModuleImage(module);
    }
    return 0;
}
