#include "mixer.h"

#include <algorithm>
#include <cmath>

namespace kaudio {

uint64_t Mixer::play(std::shared_ptr<Stream> stream, bool paused) {
    std::shared_ptr<Stream> old;
    std::lock_guard lock(mutex_);
    old = std::move(stream_);
    stream_ = std::move(stream);
    channelId_ = nextChannelId_++;
    // volume_ carries over: the caller sets the new channel's volume just
    // after this, and the output may already take a buffer in between.
    paused_ = paused;
    ended_ = false;
    starving_ = false;
    sourceEnd_ = stream_->consumedSourceFrame();
    seeksSeen_ = stream_->appliedSeeks();
    stamp_ = Clock::now();
    // `old` is released after the lock, by the destructor order below.
    return channelId_;
}

std::shared_ptr<Stream> Mixer::clear() {
    std::lock_guard lock(mutex_);
    channelId_ = 0;
    return std::move(stream_);
}

std::shared_ptr<Stream> Mixer::clearIf(const Stream* stream) {
    std::lock_guard lock(mutex_);
    if (stream_.get() != stream) return nullptr;
    channelId_ = 0;
    return std::move(stream_);
}

int Mixer::setVolume(uint64_t channel, float volume) {
    if (std::isnan(volume)) return KESTREL_AUDIO_ERR_INVALID_PARAM;
    std::lock_guard lock(mutex_);
    if (!current(channel)) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
    volume_ = std::clamp(volume, 0.0f, 1.0f);
    return KESTREL_AUDIO_OK;
}

int Mixer::getVolume(uint64_t channel, float* volume) {
    std::lock_guard lock(mutex_);
    if (!current(channel)) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
    *volume = volume_;
    return KESTREL_AUDIO_OK;
}

int Mixer::setPaused(uint64_t channel, bool paused) {
    std::lock_guard lock(mutex_);
    if (!current(channel)) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
    paused_ = paused;
    return KESTREL_AUDIO_OK;
}

int Mixer::isPlaying(uint64_t channel, bool* playing) {
    std::lock_guard lock(mutex_);
    if (!current(channel)) {
        *playing = false;
        return KESTREL_AUDIO_ERR_INVALID_HANDLE;
    }
    // The sound has ended once its last buffer has been heard, not merely
    // handed to the output.
    double sinceLast = std::chrono::duration<double>(Clock::now() - stamp_).count() * kOutputRate;
    *playing = !(ended_ && sinceLast >= static_cast<double>(latency_));
    // The caller is told of the end when it is heard, also when an earlier
    // wake-up (a title) took the place of the one render() asked for.
    if (ended_ && *playing) wakeup_->at(heardEnd());
    // A failed open or reconnection ends the channel even when no buffer is
    // being pulled (an output that is not running).
    if (stream_->failed() && stream_->drained()) *playing = false;
    // A local file whose decoder has given nothing for the stall bound while
    // the output asked (a synthesiser or a read that hangs) has failed: the
    // channel stops rather than stand at one position for ever. An address
    // bridges its own stalls (stream.h).
    if (starving_ && !stream_->network()) {
        if (Clock::now() - starvedSince_ >= kStallBound) {
            ended_ = true;
            *playing = false;
        } else {
            wakeup_->at(starvedSince_ + kStallBound);
        }
    }
    return KESTREL_AUDIO_OK;
}

std::shared_ptr<Stream> Mixer::streamOf(uint64_t channel) {
    std::lock_guard lock(mutex_);
    return current(channel) ? stream_ : nullptr;
}

int Mixer::position(uint64_t channel, unsigned* ms) {
    std::lock_guard lock(mutex_);
    if (!current(channel)) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
    if (stream_->seekRequests() != stream_->appliedSeeks()) {
        *ms = seekTargetMs_;
        return KESTREL_AUDIO_OK;
    }
    // What is heard trails what was handed out by the output's latency; in
    // between buffers it advances with the clock, and it stands still once
    // nothing new is handed out (pause, end, a starved stream).
    double elapsed = std::chrono::duration<double>(Clock::now() - stamp_).count() * kOutputRate;
    double heard = static_cast<double>(sourceEnd_) - static_cast<double>(latency_) +
                   std::min(elapsed, static_cast<double>(latency_));
    heard = std::max(heard, 0.0);
    *ms = static_cast<unsigned>(heard * 1000.0 / kOutputRate);
    return KESTREL_AUDIO_OK;
}

int Mixer::seek(uint64_t channel, unsigned ms) {
    std::shared_ptr<Stream> stream;
    {
        std::lock_guard lock(mutex_);
        if (!current(channel)) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
        if (ended_) return KESTREL_AUDIO_ERR_INVALID_PARAM;
        stream = stream_;
        seekTargetMs_ = ms;  // read only while the request below is pending
    }
    // Outside the lock: the request takes the stream's own lock, which its
    // decoder thread also takes, and render() must never wait behind that.
    return stream->requestSeek(ms) ? KESTREL_AUDIO_OK : KESTREL_AUDIO_ERR_UNSUPPORTED;
}

int Mixer::latestSamples(uint64_t channel, float (&out)[kSpectrumSize]) {
    {
        std::lock_guard lock(mutex_);
        if (!current(channel)) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
    }
    std::lock_guard lock(historyMutex_);
    size_t tail = kSpectrumSize - historyAt_;
    std::copy(history_ + historyAt_, history_ + kSpectrumSize, out);
    std::copy(history_, history_ + historyAt_, out + tail);
    return KESTREL_AUDIO_OK;
}

void Mixer::setLatency(size_t frames) {
    std::lock_guard lock(mutex_);
    latency_ = frames;
}

void Mixer::onSilence(size_t frames, std::function<void()> handler) {
    silenceLimit_ = frames;
    silenceHandler_ = std::move(handler);
    silentFrames_ = 0;
}

Mixer::Time Mixer::heardEnd() const {
    return stamp_ + std::chrono::nanoseconds(static_cast<int64_t>(latency_) * 1000000000 / kOutputRate);
}

void Mixer::render(float* out, size_t frames) {
    size_t got = 0;
    bool audible = false;
    {
        std::lock_guard lock(mutex_);
        const bool wasEnded = ended_, wasStarving = starving_;
        audible = stream_ && !paused_ && !ended_;
        if (audible) {
            got = stream_->consume(out, frames);
            if (volume_ != 1.0f)
                for (size_t i = 0; i < got * 2; ++i) out[i] *= volume_;
            // A landed seek moves the position even before its audio arrives.
            if (got > 0 || stream_->appliedSeeks() != seeksSeen_) {
                seeksSeen_ = stream_->appliedSeeks();
                sourceEnd_ = stream_->consumedSourceFrame();
                stamp_ = Clock::now();
            }
            if (got < frames && stream_->drained()) ended_ = true;
        }
        // Nothing came although the sound is neither over nor moving to a
        // seek target.
        if (audible && got == 0 && !ended_ && stream_->seekRequests() == stream_->appliedSeeks()) {
            if (!starving_) starvedSince_ = Clock::now();
            starving_ = true;
        } else {
            starving_ = false;
        }
        // The caller hears of an end when its last audio has been heard, and
        // of a local file that stalls when the stall has lasted its bound.
        if (ended_ && !wasEnded) wakeup_->at(heardEnd());
        if (starving_ && !wasStarving && !stream_->network()) wakeup_->at(starvedSince_ + kStallBound);
    }
    std::fill(out + got * 2, out + frames * 2, 0.0f);
    remember(out, frames);
    if (audible) {
        silentFrames_ = 0;
    } else if (silenceLimit_ != 0) {
        silentFrames_ += frames;
        if (silentFrames_ >= silenceLimit_) {
            silentFrames_ = 0;
            if (silenceHandler_) silenceHandler_();
        }
    }
}

void Mixer::remember(const float* frames, size_t count) {
    std::lock_guard lock(historyMutex_);
    size_t first = count > kSpectrumSize ? count - kSpectrumSize : 0;
    for (size_t i = first; i < count; ++i) {
        history_[historyAt_] = 0.5f * (frames[2 * i] + frames[2 * i + 1]);
        historyAt_ = (historyAt_ + 1) % kSpectrumSize;
    }
}

}  // namespace kaudio
