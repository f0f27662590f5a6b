// One open sound: a decoder running on its own thread, filling a ring that
// the mixer drains. See mixer.h for the threads and locks of the library.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "decoder.h"
#include "sample_ring.h"

namespace kaudio {

class Stream {
  public:
    explicit Stream(std::string name);
    ~Stream();  // stops the thread (see stop())
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Caller's thread. Starts the decoder thread and blocks until the first
    // audio is decoded (success) or the source failed to open: at most the
    // network bound for an address, except for a name lookup stuck in the
    // system resolver. On failure the thread has ended.
    Status open();
    // Caller's thread. Asks the decoder thread to end and joins it; it leaves
    // any network wait within about 100 ms. Idempotent.
    void stop();

    // Caller's thread, after a successful open().
    bool seekable() const { return seekable_; }
    // Asks the decoder thread to continue from `ms`; returns at once, the
    // mixer drops what was decoded before the seek. False when not seekable.
    bool requestSeek(unsigned ms);
    uint64_t seekRequests() const { return seekRequestGen_.load(std::memory_order_acquire); }

    // Consumer side: called by the mixer under its own lock only.
    size_t consume(float* out, size_t frames);
    // All audio handed out, the source at its end, no seek pending.
    bool drained() const;
    uint64_t consumedSourceFrame() const { return consumed_; }
    uint64_t appliedSeeks() const { return appliedGen_; }

  private:
    enum class OpenState { Opening, Ready, Failed };
    struct Epoch {
        uint64_t serial = 0;
        uint64_t gen = 0;            // the seek request this answers
        bool moved = false;          // false: the seek failed, nothing to drop
        uint64_t discardBefore = 0;  // ring position of the first frame after the seek
        uint64_t sourceFrame = 0;    // source position of that frame
    };

    void run();
    void announce(Status status);
    void handleSeek(uint64_t gen);
    void waitForRoomOrCommand();

    const std::string name_;
    std::atomic<bool> abort_{false};
    std::unique_ptr<Decoder> decoder_;  // decoder thread only, once started
    SampleRing ring_;
    std::thread thread_;
    bool seekable_ = false;  // written before open() returns

    std::mutex mutex_;              // guards the fields below up to epoch_
    std::condition_variable wake_;  // decoder: a command; opener: the open result
    OpenState openState_ = OpenState::Opening;
    Status openStatus_;
    unsigned seekTargetMs_ = 0;
    std::atomic<uint64_t> seekRequestGen_{0};  // written under mutex_
    uint64_t handledGen_ = 0;                  // decoder thread only
    uint64_t discardPending_ = 0;              // decoder thread only: the last seek's ring position
    std::atomic<bool> finished_{false};        // decoder: the source has ended

    std::mutex epochMutex_;  // guards epoch_; held for a few stores only
    Epoch epoch_;
    std::atomic<uint64_t> epochSerial_{0};

    // Consumer fields, under the mixer's lock.
    uint64_t seenSerial_ = 0;
    uint64_t consumed_ = 0;
    uint64_t appliedGen_ = 0;
};

}  // namespace kaudio
