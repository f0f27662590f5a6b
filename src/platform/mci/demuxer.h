// FFmpeg's demuxer functions the media readers of this module use, loaded
// at the first use, not with the program: FFmpeg and the codec libraries
// under it are a large part of a start-up otherwise. Inside platform/mci only.
#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

namespace mci {

struct Demuxer {
    decltype(&::avformat_alloc_context) allocContext = nullptr;
    decltype(&::avformat_open_input) open = nullptr;
    decltype(&::avformat_find_stream_info) findStreamInfo = nullptr;
    decltype(&::avformat_close_input) close = nullptr;
    decltype(&::av_rescale_q) rescale = nullptr;
};

// Any thread. Null when FFmpeg cannot be loaded. Loaded once, never unloaded;
// FFmpeg's own log is silenced.
const Demuxer* demuxer();

}  // namespace mci
