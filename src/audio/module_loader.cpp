// Entry points whose behaviour is not built yet: each does nothing.
#include "audio/module_loader.h"

MappedModule* mapModuleImage(const void*) { return nullptr; }
void* lookupModuleExport(MappedModule*, const char*) { return nullptr; }
void unmapModuleImage(MappedModule*) {}
