#include "platform/mci/media_length.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/mci/midi_file.h"

namespace mci {
namespace {

bool startsWithMidiHeader(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[4] = {};
    return in.read(magic, 4) && std::string(magic, 4) == "MThd";
}

std::optional<uint64_t> midiLength(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    MidiReadResult r = readMidiFile(bytes);
    if (!r.summary) return std::nullopt;
    return r.summary->durationMs;
}

std::optional<uint64_t> ffmpegLength(const std::string& path) {
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) != 0) return std::nullopt;
    std::optional<uint64_t> length;
    if (avformat_find_stream_info(context, nullptr) >= 0 && context->nb_streams > 0) {
        if (context->duration != AV_NOPTS_VALUE && context->duration > 0) {
            length = static_cast<uint64_t>(context->duration) / (AV_TIME_BASE / 1000);
        } else {
            // No container duration: the longest stream's own.
            int64_t best = 0;
            for (unsigned i = 0; i < context->nb_streams; ++i) {
                const AVStream* s = context->streams[i];
                if (s->duration != AV_NOPTS_VALUE && s->duration > 0)
                    best = std::max(best, av_rescale_q(s->duration, s->time_base, AVRational{1, 1000}));
            }
            length = static_cast<uint64_t>(best);
        }
    }
    avformat_close_input(&context);
    return length;
}

}  // namespace

std::optional<uint64_t> mediaLengthMs(const std::string& path) {
    if (path.empty()) return std::nullopt;
    if (startsWithMidiHeader(path)) return midiLength(path);
    return ffmpegLength(path);
}

}  // namespace mci
