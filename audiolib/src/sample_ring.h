// A single-producer single-consumer ring of interleaved stereo float frames.
//
// The decoder thread writes, the output side reads; neither waits on the
// other. Positions are monotonic 64-bit frame counts, so "how much is there"
// is a subtraction and a consumer can skip ahead to a position the producer
// names (used to drop stale audio after a seek).
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>

namespace kaudio {

class SampleRing {
  public:
    static constexpr int kChannels = 2;

    explicit SampleRing(size_t capacityFrames)
        : capacity_(capacityFrames), data_(new float[capacityFrames * kChannels]) {}

    size_t capacity() const { return capacity_; }

    // Producer: frames that can be written now.
    size_t writable() const {
        return capacity_ - static_cast<size_t>(write_.load(std::memory_order_relaxed) -
                                               read_.load(std::memory_order_acquire));
    }
    // Producer: copies up to `frames` frames in; returns how many fit.
    size_t write(const float* in, size_t frames) {
        uint64_t w = write_.load(std::memory_order_relaxed);
        frames = std::min(frames, writable());
        copyIn(w, in, frames);
        write_.store(w + frames, std::memory_order_release);
        return frames;
    }
    // Producer: the position of the next frame the consumer will read.
    uint64_t readPosition() const { return read_.load(std::memory_order_acquire); }
    // Producer: the position the next written frame will have.
    uint64_t writePosition() const { return write_.load(std::memory_order_relaxed); }

    // Consumer: frames that can be read now.
    size_t readable() const {
        return static_cast<size_t>(write_.load(std::memory_order_acquire) -
                                   read_.load(std::memory_order_relaxed));
    }
    // Consumer: copies up to `frames` frames out; returns how many there were.
    size_t read(float* out, size_t frames) {
        uint64_t r = read_.load(std::memory_order_relaxed);
        frames = std::min(frames, readable());
        copyOut(r, out, frames);
        read_.store(r + frames, std::memory_order_release);
        return frames;
    }
    // Consumer: drops everything before `position` (a position the producer
    // has already reached).
    void skipTo(uint64_t position) {
        if (position > read_.load(std::memory_order_relaxed))
            read_.store(position, std::memory_order_release);
    }

  private:
    void copyIn(uint64_t pos, const float* in, size_t frames) {
        size_t at = static_cast<size_t>(pos % capacity_);
        size_t first = std::min(frames, capacity_ - at);
        std::memcpy(&data_[at * kChannels], in, first * kChannels * sizeof(float));
        std::memcpy(&data_[0], in + first * kChannels, (frames - first) * kChannels * sizeof(float));
    }
    void copyOut(uint64_t pos, float* out, size_t frames) const {
        size_t at = static_cast<size_t>(pos % capacity_);
        size_t first = std::min(frames, capacity_ - at);
        std::memcpy(out, &data_[at * kChannels], first * kChannels * sizeof(float));
        std::memcpy(out + first * kChannels, &data_[0], (frames - first) * kChannels * sizeof(float));
    }

    const size_t capacity_;
    std::unique_ptr<float[]> data_;
    std::atomic<uint64_t> write_{0};  // written by the producer only
    std::atomic<uint64_t> read_{0};   // written by the consumer only
};

}  // namespace kaudio
