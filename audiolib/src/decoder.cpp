#include "decoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <mutex>
#include <thread>

#include "ffmpeg_api.h"
#include "ffmpeg_decoder.h"
#include "midi_decoder.h"

namespace kaudio {
namespace {

// The scheme of an address ("http" of "http://..."), lower case; empty for
// something that is not an address.
std::string schemeOf(const std::string& name) {
    size_t colon = name.find("://");
    if (colon == std::string::npos || colon == 0) return {};
    std::string scheme;
    for (size_t i = 0; i < colon; ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return {};
        scheme += static_cast<char>(std::tolower(c));
    }
    return scheme;
}

bool hasMidiExtension(const std::string& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext;
    for (size_t i = dot + 1; i < name.size(); ++i)
        ext += static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    return ext == "mid" || ext == "midi" || ext == "kar" || ext == "rmi";
}

}  // namespace

Status makeDecoder(const std::string& name, const std::atomic<bool>& abort, std::unique_ptr<Decoder>* out) {
    if (name.empty()) return Status::fail(KESTREL_AUDIO_ERR_INVALID_PARAM, "empty name");
    if (name.find('\0') != std::string::npos)
        return Status::fail(KESTREL_AUDIO_ERR_INVALID_PARAM, "NUL in name");

    std::string scheme = schemeOf(name);
    if (!scheme.empty()) {
        if (scheme != "http" && scheme != "https")
            return Status::fail(KESTREL_AUDIO_ERR_UNSUPPORTED, "scheme " + scheme + " is not played");
        *out = makeFfmpegDecoder(name, true, abort);
        return Status::success();
    }

    // A local path opens only as a regular file: no device, FIFO or folder.
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0)
        return Status::fail(KESTREL_AUDIO_ERR_FILE_NOT_FOUND, "no such file: " + name);
    if (!S_ISREG(st.st_mode))
        return Status::fail(KESTREL_AUDIO_ERR_FILE_NOT_FOUND, "not a regular file: " + name);
    if (st.st_size == 0) return Status::fail(KESTREL_AUDIO_ERR_FORMAT, "empty file: " + name);

    unsigned char head[14] = {};
    int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Status::fail(errno == ENOENT ? KESTREL_AUDIO_ERR_FILE_NOT_FOUND : KESTREL_AUDIO_ERR_FORMAT,
                            "cannot open " + name);
    ssize_t got = ::read(fd, head, sizeof head);
    ::close(fd);
    if (got > 0 && looksLikeMidi(head, static_cast<size_t>(got))) {
        *out = makeMidiDecoder(name, abort);
        return Status::success();
    }
    if (hasMidiExtension(name)) return Status::fail(KESTREL_AUDIO_ERR_FORMAT, "not a MIDI file: " + name);
    // "file:" keeps a path with a colon in it from being read as an address.
    *out = makeFfmpegDecoder("file:" + name, false, abort);
    return Status::success();
}

void prepareDecoders() {
    static std::once_flag started;
    // Detached: the load is short, and an open that comes meanwhile waits
    // for it inside ffmpegApi() rather than loading twice.
    std::call_once(started, [] { std::thread([] { ffmpegApi(); }).detach(); });
}

}  // namespace kaudio
