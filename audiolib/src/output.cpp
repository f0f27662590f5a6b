#include "output.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace kaudio {
namespace {

constexpr long kDefaultCloseAfterMs = 15000;

Status openDevice(Mixer& mixer, std::unique_ptr<Output>* out) {
    const char* choice = std::getenv("KESTREL_AUDIO_OUTPUT");
    if (!(choice && std::strcmp(choice, "null") == 0) && openSdlOutput(mixer, out).ok())
        return Status::success();
    return openPacedOutput(mixer, "", out);
}

size_t closeAfterFrames() {
    long ms = kDefaultCloseAfterMs;
    if (const char* env = std::getenv("KESTREL_AUDIO_CLOSE_AFTER_MS"); env && *env) ms = std::atol(env);
    return static_cast<size_t>(std::max(ms, 1L)) * kOutputRate / 1000;
}

// The device while there is something to hear. A thread of ours opens it
// when a sound is put on the channel (the open may probe the sound system
// for a while: the caller does not wait for it) and closes it when the
// mixer reports a long silence. In between that thread sleeps.
class DeviceOnDemand final : public Output {
  public:
    explicit DeviceOnDemand(Mixer& mixer) : mixer_(mixer) {
        mixer_.onSilence(closeAfterFrames(), [this] {
            {
                std::lock_guard lock(mutex_);
                silent_ = true;
            }
            wake_.notify_one();
        });
        thread_ = std::thread([this] { run(); });
    }

    ~DeviceOnDemand() override {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        thread_.join();  // the device is closed by then: nothing renders any more
        mixer_.onSilence(0, nullptr);
    }

    void kick() override {
        std::unique_lock lock(mutex_);
        silent_ = false;
        if (device_) {
            device_->kick();
            return;
        }
        wanted_ = true;
        lock.unlock();
        wake_.notify_one();
    }

    int kind() const override {
        std::lock_guard lock(mutex_);
        return device_ ? device_->kind() : KESTREL_AUDIO_OUTPUT_UNKNOWN;
    }

    void resume() override {
        std::unique_lock lock(mutex_);
        silent_ = false;
        if (device_) return;
        wanted_ = true;
        lock.unlock();
        wake_.notify_one();
    }

  private:
    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || (wanted_ && !device_) || (silent_ && device_); });
            if (stop_) break;
            if (wanted_ && !device_) {
                wanted_ = false;
                lock.unlock();
                std::unique_ptr<Output> opened;
                openDevice(mixer_, &opened);
                lock.lock();
                device_ = std::move(opened);
            } else {
                // A kick in the meantime clears silent_, or, once the device is
                // gone, sets wanted_ and so opens it again.
                silent_ = false;
                std::unique_ptr<Output> closing = std::move(device_);
                lock.unlock();
                closing.reset();  // waits for a running callback
                lock.lock();
            }
        }
        std::unique_ptr<Output> closing = std::move(device_);
        lock.unlock();
    }

    Mixer& mixer_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::unique_ptr<Output> device_;  // guarded by mutex_
    bool wanted_ = false;             // guarded by mutex_
    bool silent_ = false;             // guarded by mutex_
    bool stop_ = false;               // guarded by mutex_
};

}  // namespace

Status openOutput(Mixer& mixer, std::unique_ptr<Output>* out) {
    if (const char* wav = std::getenv("KESTREL_AUDIO_WAV"); wav && *wav)
        return openPacedOutput(mixer, wav, out);
    *out = std::make_unique<DeviceOnDemand>(mixer);
    return Status::success();
}

}  // namespace kaudio
