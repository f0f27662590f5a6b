// The one door of the in-memory loader: unpack, then map by the image's kind.
#include "platform/loader/loader.h"

#include <new>

#include "platform/loader/memory_library.h"
#include "platform/loader/module_loader.h"
#include "platform/loader/packed_image.h"

MappedModule* mapModule(std::span<const uint8_t> packed) {
    std::optional<std::vector<uint8_t>> image = loader::unpackImage(packed);
    if (!image) return nullptr;
    if (loader::isElfImage(*image)) {
        // The memory file's name shows in /proc/self/maps; the one library
        // the program carries is its audio library.
        loader::MemoryLibrary library = loader::loadLibraryFromMemory(*image, "kestrel-audio");
        if (!library.handle) return nullptr;
        auto* module = new (std::nothrow) MappedModule;
        if (!module) {
            os::freeLibrary(library.handle);
            return nullptr;
        }
        module->sharedObject = library.handle;
        return module;
    }
    return mapModuleImage(image->data(), image->size());
}
