// One open sound: a decoder running on its own thread, filling a ring that
// the mixer drains. See mixer.h for the threads and locks of the library.
//
// An address opens on the decoder thread while the caller goes on: the sound
// is "opening" until its first audio, and plays once enough of it is
// buffered. A network stream that drops or stalls is reopened on the same
// address with a growing delay, for up to kReconnectWindow, while it plays
// silence; only then does it fail.
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
#include "wakeup.h"

namespace kaudio {

// How long a dropped network stream is tried again before it fails.
constexpr std::chrono::seconds kReconnectWindow{20};

class Stream : public std::enable_shared_from_this<Stream> {
  public:
    explicit Stream(std::string name);  // held by a shared_ptr: its thread keeps it alive
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Caller's thread, before open(): whom the stream tells when it fails
    // for good or its title changes (the mixer's wake-up).
    void tellChangesTo(std::shared_ptr<Wakeup> wakeup) { wakeup_ = std::move(wakeup); }
    // Caller's thread. Starts the decoder thread. A local file is waited
    // for until its first audio is decoded or it failed (a disk read); an
    // address returns at once, opening on (failed() tells the outcome).
    Status open();
    // Caller's thread. Asks the decoder thread to end and returns at once;
    // the thread leaves any network wait within about 100 ms (a name lookup
    // stuck in the system resolver: when it returns) and then frees the
    // stream. Idempotent.
    void stop();
    // Waits up to `limit` until every decoder thread of the process has
    // ended; false if some still run.
    static bool waitForAllThreads(std::chrono::milliseconds limit);

    // Any thread. True once the open failed or a dropped stream could not be
    // reopened in time: nothing more will come.
    bool failed() const { return failed_.load(std::memory_order_acquire); }
    // Any thread once open() has returned: an address rather than a local file.
    bool network() const { return network_; }
    // The current now-playing title of a radio stream (UTF-8), "" if none.
    std::string title() const;
    // Any thread. Once the source is open: its length in milliseconds (0 when
    // unknown or endless) and its "title", "artist" and "album" tags; before
    // then 0 and "".
    unsigned lengthMs() const { return lengthMs_.load(std::memory_order_acquire); }
    std::string tag(const std::string& key) const;
    bool seekable() const { return seekable_.load(std::memory_order_acquire); }

    // Asks the decoder thread to continue from `ms`; returns at once, the
    // mixer drops what was decoded before the seek. False when not seekable
    // (also while still opening).
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
    void failForGood();
    void handleSeek(uint64_t gen);
    void waitForRoomOrCommand();
    void noteTitle();
    bool reconnect();

    const std::string name_;
    std::atomic<bool> abort_{false};
    std::unique_ptr<Decoder> decoder_;  // decoder thread only, once started
    bool network_ = false;              // set before the thread starts
    SampleRing ring_;
    std::thread thread_;
    std::atomic<bool> seekable_{false};  // set by the decoder thread once open
    std::atomic<bool> failed_{false};
    std::shared_ptr<Wakeup> wakeup_;  // set before the thread starts; may be null

    // Decoder thread only: the outage being bridged by reconnect().
    bool outage_ = false;
    Clock::time_point outageStart_{};
    std::chrono::milliseconds retryDelay_{0};
    uint64_t framesSinceReconnect_ = 0;

    mutable std::mutex titleMutex_;
    std::string title_;    // guarded by titleMutex_
    std::string tags_[3];  // title, artist, album; guarded by titleMutex_
    std::atomic<unsigned> lengthMs_{0};

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
    bool buffering_ = true;  // a network stream waits for a cushion before it plays
    uint64_t seenSerial_ = 0;
    uint64_t consumed_ = 0;
    uint64_t appliedGen_ = 0;
};

}  // namespace kaudio
