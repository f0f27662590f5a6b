#include "ffmpeg_api.h"

#include <dlfcn.h>

#include <cstdlib>
#include <iterator>

#include "platform/os/bind_function.h"

namespace kaudio {
namespace {

#define KAUDIO_SONAME(lib, major) "lib" #lib ".so." AV_STRINGIFY(major)

// The libraries of the major versions this library was built against, whose
// interfaces its structures follow.
constexpr const char* kLibraries[] = {
    KAUDIO_SONAME(avutil, LIBAVUTIL_VERSION_MAJOR), KAUDIO_SONAME(swresample, LIBSWRESAMPLE_VERSION_MAJOR),
    KAUDIO_SONAME(avcodec, LIBAVCODEC_VERSION_MAJOR), KAUDIO_SONAME(avformat, LIBAVFORMAT_VERSION_MAJOR)};

const FfmpegApi* load() {
    void* handles[std::size(kLibraries)] = {};
    for (size_t i = 0; i < std::size(kLibraries); ++i)
        if (!(handles[i] = ::dlopen(kLibraries[i], RTLD_NOW | RTLD_LOCAL))) return nullptr;
    auto* api = new FfmpegApi;
    // Each function from the first of the libraries that has it.
    auto bind = [&](auto& slot, const char* name) {
        for (void* handle : handles)
            if (os::bindFunction(handle, slot, name)) return true;
        return false;
    };
    bool all = true;
#define KAUDIO_FFMPEG_BIND(name) all = bind(api->name, #name) && all;
    KAUDIO_FFMPEG_FUNCTIONS(KAUDIO_FFMPEG_BIND)
#undef KAUDIO_FFMPEG_BIND
    if (!all) {
        delete api;
        return nullptr;
    }
    api->avformat_network_init();
    // Damaged files are an expected input; their complaints are not shown.
    api->av_log_set_level(std::getenv("KESTREL_AUDIO_DEBUG") ? AV_LOG_DEBUG : AV_LOG_FATAL);
    return api;
}

}  // namespace

const FfmpegApi* ffmpegApi() {
    static const FfmpegApi* api = load();
    return api;
}

}  // namespace kaudio
