#include "platform/mci/media_length.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/mci/demuxer.h"
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
    const Demuxer* av = demuxer();
    if (!av) return std::nullopt;
    AVFormatContext* context = nullptr;
    if (av->open(&context, path.c_str(), nullptr, nullptr) != 0) return std::nullopt;
    std::optional<uint64_t> length;
    if (av->findStreamInfo(context, nullptr) >= 0 && context->nb_streams > 0) {
        if (context->duration != AV_NOPTS_VALUE && context->duration > 0) {
            length = static_cast<uint64_t>(context->duration) / (AV_TIME_BASE / 1000);
        } else {
            // No container duration: the longest stream's own.
            int64_t best = 0;
            for (unsigned i = 0; i < context->nb_streams; ++i) {
                const AVStream* s = context->streams[i];
                if (s->duration != AV_NOPTS_VALUE && s->duration > 0)
                    best = std::max(best, av->rescale(s->duration, s->time_base, AVRational{1, 1000}));
            }
            length = static_cast<uint64_t>(best);
        }
    }
    av->close(&context);
    return length;
}

}  // namespace

MediaLength probeMediaLength(const std::string& path) {
    MediaLength result;
    if (path.empty()) return result;
    // Without O_NONBLOCK a FIFO with no writer holds the open for ever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        // A socket cannot be opened at all; it is no file either.
        struct stat st {};
        result.notAFile = errno == ENXIO || (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode));
        return result;
    }
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!regular) {
        ::close(fd);
        result.notAFile = true;
        return result;
    }
    ::close(fd);
    // Read by its name, whose extension helps FFmpeg tell the format.
    result.ms = startsWithMidiHeader(path) ? midiLength(path) : ffmpegLength(path);
    return result;
}

std::optional<uint64_t> mediaLengthMs(const std::string& path) {
    return probeMediaLength(path).ms;
}

}  // namespace mci
