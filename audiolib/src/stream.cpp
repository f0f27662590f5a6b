#include "stream.h"

#include <algorithm>
#include <vector>

namespace kaudio {
namespace {

constexpr size_t kRingFrames = 2 * kOutputRate;  // two seconds decoded ahead
constexpr long kChunkFrames = 2048;
// What a network stream buffers before it plays, at its start and after it
// ran dry: enough to ride out the jitter of a live stream.
constexpr size_t kCushionFrames = kOutputRate / 10;
// A reconnected stream that has played this much audio again is healthy:
// its next drop starts a fresh reconnection window.
constexpr uint64_t kHealthyFrames = 10ull * kOutputRate;
constexpr std::chrono::milliseconds kFirstRetryDelay{500};

// The decoder threads still running, detached or not.
struct ThreadCount {
    std::mutex mutex;
    std::condition_variable ended;
    int running = 0;
};
ThreadCount& threads() {
    static ThreadCount* t = new ThreadCount;  // outlives every thread at exit
    return *t;
}

}  // namespace

Stream::Stream(std::string name) : name_(std::move(name)), ring_(kRingFrames) {}

Stream::~Stream() {
    abort_.store(true);
    // The last owner may be the decoder thread itself, as it ends.
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }
}

Status Stream::open() {
    Status made = makeDecoder(name_, abort_, &decoder_);
    if (!made.ok()) return made;
    network_ = decoder_->network();
    {
        std::lock_guard lock(threads().mutex);
        ++threads().running;
    }
    try {
        thread_ = std::thread([self = shared_from_this()]() mutable {
            self->run();
            self.reset();  // may free the stream (and its decoder) here, off the caller's thread
            std::lock_guard lock(threads().mutex);
            --threads().running;
            threads().ended.notify_all();
        });
    } catch (...) {
        std::lock_guard lock(threads().mutex);
        --threads().running;
        throw;
    }
    if (network_) return Status::success();
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return openState_ != OpenState::Opening; });
    Status result = openStatus_;
    lock.unlock();
    if (!result.ok()) stop();
    return result;
}

void Stream::stop() {
    {
        std::lock_guard lock(mutex_);
        abort_.store(true);
    }
    wake_.notify_all();
    // Never waits for the network: the thread holds the stream until it ends.
    if (thread_.joinable()) thread_.detach();
}

bool Stream::waitForAllThreads(std::chrono::milliseconds limit) {
    std::unique_lock lock(threads().mutex);
    return threads().ended.wait_for(lock, limit, [] { return threads().running == 0; });
}

std::string Stream::title() const {
    std::lock_guard lock(titleMutex_);
    return title_;
}

namespace {

constexpr const char* kTagKeys[] = {"title", "artist", "album"};

}  // namespace

std::string Stream::tag(const std::string& key) const {
    std::lock_guard lock(titleMutex_);
    for (size_t i = 0; i < std::size(kTagKeys); ++i)
        if (key == kTagKeys[i]) return tags_[i];
    return {};
}

bool Stream::requestSeek(unsigned ms) {
    if (!seekable_.load(std::memory_order_acquire)) return false;
    {
        std::lock_guard lock(mutex_);
        seekTargetMs_ = ms;
        seekRequestGen_.fetch_add(1, std::memory_order_acq_rel);
    }
    wake_.notify_all();
    return true;
}

size_t Stream::consume(float* out, size_t frames) {
    if (network_) {
        if (ring_.readable() == 0 && !finished_.load(std::memory_order_acquire)) buffering_ = true;
        if (buffering_) {
            if (ring_.readable() < kCushionFrames && !finished_.load(std::memory_order_acquire)) return 0;
            buffering_ = false;
        }
    }
    uint64_t serial = epochSerial_.load(std::memory_order_acquire);
    if (serial != seenSerial_) {
        Epoch e;
        {
            std::lock_guard lock(epochMutex_);
            e = epoch_;
        }
        seenSerial_ = e.serial;
        if (e.moved) {
            ring_.skipTo(e.discardBefore);
            consumed_ = e.sourceFrame;
        }
        appliedGen_ = e.gen;
    }
    size_t n = ring_.read(out, frames);
    consumed_ += n;
    return n;
}

bool Stream::drained() const {
    // finished_ first: once it reads true, every frame written before is visible.
    return finished_.load(std::memory_order_acquire) && ring_.readable() == 0 &&
           seekRequestGen_.load(std::memory_order_acquire) == appliedGen_;
}

void Stream::failForGood() {
    failed_.store(true, std::memory_order_release);
    finished_.store(true, std::memory_order_release);
    if (wakeup_) wakeup_->now();
}

void Stream::announce(Status status) {
    if (!status.ok()) failForGood();
    {
        std::lock_guard lock(mutex_);
        openState_ = status.ok() ? OpenState::Ready : OpenState::Failed;
        openStatus_ = std::move(status);
    }
    wake_.notify_all();
}

void Stream::run() {
    Status opened = decoder_->open(Clock::now() + kNetworkBound);
    if (!opened.ok()) {
        announce(std::move(opened));
        return;
    }
    seekable_.store(decoder_->seekable(), std::memory_order_release);
    lengthMs_.store(decoder_->lengthMs(), std::memory_order_release);
    {
        std::lock_guard lock(titleMutex_);
        for (size_t i = 0; i < std::size(kTagKeys); ++i) tags_[i] = decoder_->tag(kTagKeys[i]);
    }
    std::vector<float> chunk(kChunkFrames * SampleRing::kChannels);
    bool announced = false;
    while (!abort_.load()) {
        uint64_t gen = seekRequestGen_.load(std::memory_order_acquire);
        if (gen != handledGen_) {
            handleSeek(gen);
            continue;
        }
        if (finished_.load(std::memory_order_relaxed) ||
            ring_.writable() < static_cast<size_t>(kChunkFrames)) {
            waitForRoomOrCommand();
            continue;
        }
        long n = decoder_->read(chunk.data(), kChunkFrames);
        if (network_) noteTitle();
        if (n > 0) {
            ring_.write(chunk.data(), static_cast<size_t>(n));
            if (!announced) {
                announced = true;
                announce(Status::success());
            }
            framesSinceReconnect_ += static_cast<uint64_t>(n);
            if (outage_ && framesSinceReconnect_ >= kHealthyFrames) outage_ = false;
        } else if (!announced) {
            announce(decoder_->recoverable()
                         ? Status::fail(KESTREL_AUDIO_ERR_NET, "the connection broke off while opening")
                         : Status::fail(KESTREL_AUDIO_ERR_FORMAT, "no audio could be decoded"));
            return;
        } else if (n < 0 && decoder_->network() && decoder_->recoverable() && !abort_.load()) {
            if (!reconnect()) failForGood();
        } else {
            finished_.store(true, std::memory_order_release);
        }
    }
    if (!announced) announce(Status::fail(KESTREL_AUDIO_ERR_TIMEOUT, "aborted while opening"));
}

void Stream::noteTitle() {
    std::string title;
    if (!decoder_->takeTitle(&title)) return;
    {
        std::lock_guard lock(titleMutex_);
        title_ = std::move(title);
    }
    if (wakeup_) wakeup_->now();
}

bool Stream::reconnect() {
    Clock::time_point now = Clock::now();
    if (!outage_) {
        outage_ = true;
        outageStart_ = now;
        retryDelay_ = kFirstRetryDelay;
    }
    const bool resume = decoder_->seekable();
    const unsigned resumeMs = decoder_->positionMs();
    decoder_.reset();  // the broken connection goes at once
    const Clock::time_point giveUp = outageStart_ + kReconnectWindow;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait_until(lock, std::min(now + retryDelay_, giveUp), [this] { return abort_.load(); });
        }
        if (abort_.load() || Clock::now() >= giveUp) return false;
        retryDelay_ *= 2;
        std::unique_ptr<Decoder> next;
        if (!makeDecoder(name_, abort_, &next).ok()) return false;
        Status opened = next->open(std::min(Clock::now() + kStallBound, giveUp));
        // A file of known length goes on where it stopped (a byte range).
        if (opened.ok() && (!resume || resumeMs == 0 || next->seek(resumeMs))) {
            decoder_ = std::move(next);
            framesSinceReconnect_ = 0;
            return true;
        }
        if (!opened.ok() && !next->recoverable()) return false;  // gone for good: 404, not audio
        now = Clock::now();
    }
}

void Stream::waitForRoomOrCommand() {
    std::unique_lock lock(mutex_);
    auto command = [this] { return abort_.load() || seekRequestGen_.load() != handledGen_; };
    if (finished_.load(std::memory_order_relaxed)) {
        wake_.wait(lock, command);
        return;
    }
    // After a seek the consumer frees the stale part of the ring at its next
    // buffer: look again soon rather than sleeping on a full ring.
    if (ring_.readPosition() < discardPending_) {
        wake_.wait_for(lock, std::chrono::milliseconds(5), command);
        return;
    }
    // Sleep until about half the ring has played out, so that a stream
    // costs one wake-up a second rather than one per output buffer.
    size_t room = ring_.writable();
    size_t wanted = ring_.capacity() / 2;
    long ms = room >= wanted ? 0 : static_cast<long>((wanted - room) * 1000 / kOutputRate);
    wake_.wait_for(lock, std::chrono::milliseconds(std::max(ms, 5L)), command);
}

void Stream::handleSeek(uint64_t gen) {
    unsigned target;
    {
        std::lock_guard lock(mutex_);
        target = seekTargetMs_;
        gen = seekRequestGen_.load();
    }
    handledGen_ = gen;
    bool moved = decoder_ && decoder_->seek(target);  // none after a failed reconnection
    if (moved) finished_.store(false, std::memory_order_release);
    std::lock_guard lock(epochMutex_);
    epoch_.serial += 1;
    epoch_.gen = gen;
    epoch_.moved = moved;
    if (moved) {
        epoch_.discardBefore = ring_.writePosition();
        discardPending_ = epoch_.discardBefore;
        epoch_.sourceFrame = static_cast<uint64_t>(target) * kOutputRate / 1000;
    }
    epochSerial_.store(epoch_.serial, std::memory_order_release);
}

}  // namespace kaudio
