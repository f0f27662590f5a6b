// FFmpeg's functions, loaded at the first file or stream opened rather than
// with this library: FFmpeg and the codec libraries under it would otherwise
// cost every start of the player some 60 ms and 24 MB before a sound plays.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace kaudio {

// clang-format off
#define KAUDIO_FFMPEG_FUNCTIONS(X)                                                                    \
    X(avformat_network_init) X(av_log_set_level) X(av_strerror) X(av_opt_get) X(av_free)              \
    X(av_dict_set) X(av_dict_get) X(av_dict_free) X(av_find_input_format) X(avio_open2) X(avio_closep) X(avio_feof)  \
    X(avio_size) X(avio_seek) X(avformat_alloc_context) X(avformat_open_input)                        \
    X(avformat_close_input) X(avformat_find_stream_info) X(av_find_best_stream) X(av_read_frame)      \
    X(av_seek_frame) X(avcodec_find_decoder) X(avcodec_alloc_context3) X(avcodec_free_context)        \
    X(avcodec_parameters_to_context) X(avcodec_open2) X(avcodec_send_packet)                          \
    X(avcodec_receive_frame) X(avcodec_flush_buffers) X(av_packet_alloc) X(av_packet_free)            \
    X(av_packet_unref) X(av_frame_alloc) X(av_frame_free) X(av_frame_unref) X(av_rescale_q)           \
    X(av_get_bytes_per_sample) X(av_sample_fmt_is_planar) X(av_channel_layout_compare)                \
    X(av_channel_layout_copy) X(av_channel_layout_default) X(av_channel_layout_uninit)                \
    X(swr_alloc_set_opts2) X(swr_set_matrix) X(swr_init) X(swr_free) X(swr_get_out_samples)           \
    X(swr_convert)
// clang-format on

struct FfmpegApi {
#define KAUDIO_FFMPEG_SLOT(name) decltype(&::name) name = nullptr;
    KAUDIO_FFMPEG_FUNCTIONS(KAUDIO_FFMPEG_SLOT)
#undef KAUDIO_FFMPEG_SLOT
};

// Any thread; loads FFmpeg on the first call (once, never unloaded) and
// returns null when it cannot be loaded.
const FfmpegApi* ffmpegApi();

// FFmpeg's functions once ffmpegApi() has returned them.
inline const FfmpegApi& ff() {
    return *ffmpegApi();
}

}  // namespace kaudio
