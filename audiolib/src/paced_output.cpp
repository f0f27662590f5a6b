// An output without a device: a thread of ours that takes one buffer from the
// mixer each buffer period, by the clock, and writes it to a WAV file or
// drops it.
#include <pthread.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "output.h"
#include "wav_writer.h"

namespace kaudio {
namespace {

constexpr size_t kBufferFrames = 2048;

class PacedOutput final : public Output {
  public:
    explicit PacedOutput(Mixer& mixer) : mixer_(mixer), buffer_(kBufferFrames * 2) {}

    ~PacedOutput() override {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    Status start(const char* wavPath) {
        if (wavPath && *wavPath) {
            Status opened = wav_.open(wavPath, kOutputRate);
            if (!opened.ok()) return opened;
            writing_ = true;
        }
        // A buffer handed out plays during the following period.
        mixer_.setLatency(kBufferFrames);
        thread_ = std::thread([this] {
            pthread_setname_np(pthread_self(), "kestrel-output");
            run();
        });
        return Status::success();
    }

    void kick() override {
        {
            std::lock_guard lock(mutex_);
            kicked_ = true;
        }
        wake_.notify_all();
    }

    int kind() const override { return writing_ ? KESTREL_AUDIO_OUTPUT_FILE : KESTREL_AUDIO_OUTPUT_NONE; }

  private:
    void run() {
        auto origin = Clock::now();
        uint64_t frames = 0;
        std::unique_lock lock(mutex_);
        while (!stop_) {
            lock.unlock();
            mixer_.render(buffer_.data(), kBufferFrames);
            if (writing_) wav_.append(buffer_.data(), kBufferFrames);
            frames += kBufferFrames;
            lock.lock();
            auto due = origin + std::chrono::microseconds(frames * 1000000 / kOutputRate);
            wake_.wait_until(lock, due, [this] { return stop_ || kicked_; });
            if (kicked_) {
                // The queued buffer of the old sound is dropped: the new one
                // starts now, as it would on a device that flushes.
                kicked_ = false;
                origin = Clock::now();
                frames = 0;
            }
        }
    }

    Mixer& mixer_;
    std::vector<float> buffer_;  // output thread only
    WavWriter wav_;              // output thread only, once started
    bool writing_ = false;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;    // guarded by mutex_
    bool kicked_ = false;  // guarded by mutex_
};

}  // namespace

Status openPacedOutput(Mixer& mixer, const char* wavPath, std::unique_ptr<Output>* out) {
    auto output = std::make_unique<PacedOutput>(mixer);
    Status started = output->start(wavPath);
    if (started.ok()) *out = std::move(output);
    return started;
}

}  // namespace kaudio
