#include "platform/mci/demuxer.h"

extern "C" {
#include <libavutil/log.h>
}
#include <dlfcn.h>

#include "platform/os/bind_function.h"

namespace mci {

const Demuxer* demuxer() {
    static const Demuxer* loaded = []() -> const Demuxer* {
        void* lib =
            ::dlopen("libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL);
        if (!lib) return nullptr;
        // The library's handle reaches the functions of libavutil under it.
        decltype(&::av_log_set_level) quiet = nullptr;
        Demuxer d;
        if (!os::bindFunction(lib, quiet, "av_log_set_level") ||
            !os::bindFunction(lib, d.allocContext, "avformat_alloc_context") ||
            !os::bindFunction(lib, d.open, "avformat_open_input") ||
            !os::bindFunction(lib, d.findStreamInfo, "avformat_find_stream_info") ||
            !os::bindFunction(lib, d.close, "avformat_close_input") ||
            !os::bindFunction(lib, d.rescale, "av_rescale_q"))
            return nullptr;
        quiet(AV_LOG_QUIET);
        return new Demuxer(d);
    }();
    return loaded;
}

}  // namespace mci
