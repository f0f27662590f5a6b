#include "stream.h"

#include <algorithm>
#include <vector>

namespace kaudio {
namespace {

constexpr size_t kRingFrames = 2 * kOutputRate;  // two seconds decoded ahead
constexpr long kChunkFrames = 2048;

}  // namespace

Stream::Stream(std::string name) : name_(std::move(name)), ring_(kRingFrames) {}

Stream::~Stream() {
    stop();
}

Status Stream::open() {
    Status made = makeDecoder(name_, abort_, &decoder_);
    if (!made.ok()) return made;
    thread_ = std::thread([this] { run(); });
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
    if (thread_.joinable()) thread_.join();
}

bool Stream::requestSeek(unsigned ms) {
    if (!seekable_) return false;
    {
        std::lock_guard lock(mutex_);
        seekTargetMs_ = ms;
        seekRequestGen_.fetch_add(1, std::memory_order_acq_rel);
    }
    wake_.notify_all();
    return true;
}

size_t Stream::consume(float* out, size_t frames) {
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

void Stream::announce(Status status) {
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
    seekable_ = decoder_->seekable();
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
        if (n > 0) {
            ring_.write(chunk.data(), static_cast<size_t>(n));
            if (!announced) {
                announced = true;
                announce(Status::success());
            }
        } else {
            if (!announced) {
                announce(Status::fail(KESTREL_AUDIO_ERR_FORMAT, "no audio could be decoded"));
                return;
            }
            finished_.store(true, std::memory_order_release);
        }
    }
    if (!announced) announce(Status::fail(KESTREL_AUDIO_ERR_TIMEOUT, "aborted while opening"));
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
    bool moved = decoder_->seek(target);
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
