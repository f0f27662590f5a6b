// Functions of a library opened with dlopen, bound by name into typed slots:
// for the libraries opened when first needed rather than linked.
#pragma once

#include <dlfcn.h>

#include <initializer_list>
#include <memory>

namespace os {

// Binds `slot` to the function `name` of the library `handle` or of a
// library it needs; false, and a null slot, when there is none.
template <class Function>
bool bindFunction(void* handle, Function*& slot, const char* name) {
    slot = reinterpret_cast<Function*>(::dlsym(handle, name));
    return slot != nullptr;
}

// Opens the first of `libraries` that loads and has every function, locally
// and for good, with `bindAll(handle, api)` binding a new Api's slots. Null
// when none does.
template <class Api, class BindAll>
Api* openApi(std::initializer_list<const char*> libraries, BindAll bindAll) {
    for (const char* library : libraries) {
        void* handle = ::dlopen(library, RTLD_NOW | RTLD_LOCAL);
        if (!handle) continue;
        auto api = std::make_unique<Api>();
        if (bindAll(handle, *api)) return api.release();
        ::dlclose(handle);
    }
    return nullptr;
}

// A library opened for a while: `bindAll(handle, api)` binds the slots, and
// the library is closed again when this ends. get() is null when it would
// not open or a function is missing.
template <class Api>
class OpenedApi {
  public:
    template <class BindAll>
    OpenedApi(const char* library, BindAll bindAll) : handle_(::dlopen(library, RTLD_NOW | RTLD_LOCAL)) {
        if (handle_ && !bindAll(handle_, api_)) {
            ::dlclose(handle_);
            handle_ = nullptr;
        }
    }
    ~OpenedApi() {
        if (handle_) ::dlclose(handle_);
    }
    OpenedApi(const OpenedApi&) = delete;
    OpenedApi& operator=(const OpenedApi&) = delete;
    const Api* get() const { return handle_ ? &api_ : nullptr; }

  private:
    void* handle_;
    Api api_;
};

}  // namespace os

// The slot of each function of an X-macro list, typed after its declaration,
// and the binding of them all, for an Api struct and os::openApi or
// os::OpenedApi:
//   struct SdlApi { SDL_FUNCTIONS(OS_API_SLOT) };
//   os::openApi<SdlApi>({"libSDL2-2.0.so.0"}, [](void* handle, SdlApi& api) {
//       bool all = true; SDL_FUNCTIONS(OS_API_BIND) return all; });
#define OS_API_SLOT(name) decltype(&::name) name = nullptr;
#define OS_API_BIND(name) all = os::bindFunction(handle, api.name, #name) && all;
