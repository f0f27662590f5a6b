#include "wav_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kaudio {
namespace {

void put32(unsigned char* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(v >> (8 * i));
}
void put16(unsigned char* at, uint16_t v) {
    at[0] = static_cast<unsigned char>(v);
    at[1] = static_cast<unsigned char>(v >> 8);
}

bool writeAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

WavWriter::~WavWriter() {
    if (fd_ >= 0) ::close(fd_);
}

Status WavWriter::open(const std::string& path, int rate) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) return Status::fail(KESTREL_AUDIO_ERR_OUTPUT, "cannot create " + path);
    unsigned char h[44] = {};
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, 36);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1);  // PCM
    put16(h + 22, 2);
    put32(h + 24, static_cast<uint32_t>(rate));
    put32(h + 28, static_cast<uint32_t>(rate) * 4);
    put16(h + 32, 4);
    put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, 0);
    if (!writeAll(fd_, h, sizeof h)) return Status::fail(KESTREL_AUDIO_ERR_OUTPUT, "cannot write " + path);
    return Status::success();
}

bool WavWriter::append(const float* frames, size_t count) {
    if (fd_ < 0) return false;
    scratch_.resize(count * 2);
    for (size_t i = 0; i < count * 2; ++i)
        scratch_[i] = static_cast<int16_t>(std::lrint(std::clamp(frames[i], -1.0f, 1.0f) * 32767.0f));
    if (!writeAll(fd_, scratch_.data(), scratch_.size() * sizeof(int16_t))) return false;
    dataBytes_ += scratch_.size() * sizeof(int16_t);
    // Past 4 GiB the sizes stay at their maximum; readers then read to the end.
    uint32_t data = static_cast<uint32_t>(std::min<uint64_t>(dataBytes_, 0xFFFFFFFFu - 36));
    unsigned char size[4];
    put32(size, data + 36);
    bool ok = ::pwrite(fd_, size, 4, 4) == 4;
    put32(size, data);
    return ::pwrite(fd_, size, 4, 40) == 4 && ok;
}

}  // namespace kaudio
