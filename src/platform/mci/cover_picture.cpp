#include "platform/mci/cover_picture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "platform/mci/demuxer.h"

namespace mci {
namespace {

using Clock = std::chrono::steady_clock;

// A header that takes longer than this (a file on a stalled network mount)
// is given up: the album photo is not worth a frozen window.
constexpr auto kReadLimit = std::chrono::milliseconds(1000);
// Larger pictures are not taken: no cover needs them, and decoding one would cost.
constexpr int kMaxPictureBytes = 16 << 20;

int pastDeadline(void* deadline) {
    return Clock::now() > *static_cast<const Clock::time_point*>(deadline) ? 1 : 0;
}

bool regularFile(const std::string& path) {
    // Without O_NONBLOCK a FIFO with no writer holds the open for ever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
    ::close(fd);
    return regular;
}

}  // namespace

std::vector<uint8_t> coverPicture(const std::string& path) {
    const Demuxer* av = demuxer();
    if (!av || path.empty() || !regularFile(path)) return {};
    AVFormatContext* context = av->allocContext();
    if (!context) return {};
    Clock::time_point deadline = Clock::now() + kReadLimit;
    context->interrupt_callback = {pastDeadline, &deadline};
    // "file:" keeps a path with a colon in it from being read as an address.
    // The demuxers read attached pictures with the header: no packet is read.
    if (av->open(&context, ("file:" + path).c_str(), nullptr, nullptr) != 0) return {};  // frees context
    std::vector<uint8_t> picture;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        const AVPacket& attached = stream->attached_pic;
        if (!(stream->disposition & AV_DISPOSITION_ATTACHED_PIC) || !attached.data || attached.size <= 0 ||
            attached.size > kMaxPictureBytes)
            continue;
        picture.assign(attached.data, attached.data + attached.size);
        break;
    }
    av->close(&context);
    return picture;
}

}  // namespace mci
