// A function of a library opened with dlopen, bound by name into a typed
// slot: for the libraries opened when first needed rather than linked.
#pragma once

#include <dlfcn.h>

namespace os {

// Binds `slot` to the function `name` of the library `handle` or of a
// library it needs; false, and a null slot, when there is none.
template <class Function>
bool bindFunction(void* handle, Function*& slot, const char* name) {
    slot = reinterpret_cast<Function*>(::dlsym(handle, name));
    return slot != nullptr;
}

}  // namespace os
