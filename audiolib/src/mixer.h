// The mixer: the one channel of the library, between the streams and the
// output.
//
// Threads. The caller's thread (the player's UI thread) makes every API call.
// Each open sound has a decoder thread of its own (stream.h) that fills the
// sound's ring of decoded frames two seconds ahead and sleeps in between. The
// output has one thread while a device is open: SDL's audio callback, or our
// own paced thread for the null and WAV outputs (output.h); it calls
// Mixer::render() and nothing else (but the silence handler, once).
//
// Locks, in the order they may nest:
//   1. the handle registry (api.cpp): caller's thread only, never held while
//      blocking on a stream;
//   2. Mixer::mutex_: the current stream, channel id, volume, pause and the
//      position stamps. The caller holds it for a few stores; render() holds
//      it for one buffer's copy from the ring. Decoders never take it.
//   3. Stream::epochMutex_ (taken inside render() only when a seek has
//      landed) and Mixer::historyMutex_ (the spectrum's last 1024 samples).
// Stream::mutex_ is taken by the caller and the stream's own thread only,
// never by the output and never while holding a lock above; the stream's
// thread holds it for a few stores, or waits on its condition variable.
//
// So the output thread never waits on a decoder: decoded audio crosses over
// through a single-producer single-consumer ring without a lock, and the
// callback neither allocates nor blocks on anything held for long.
//
// Stale results. A replaced stream is simply no longer read: its decoder fills
// its ring and sleeps until it is released. After a seek the decoder names
// the ring position where the new audio starts; render() skips everything
// before it, so no stale audio is heard and positions restart from the target.
// Channel handles carry an id; calls with the id of a replaced channel fail,
// and no handle value is ever issued twice (api.cpp).
//
// Environment:
//   KESTREL_AUDIO_WAV=/path/out.wav  write the output into that WAV file
//       (16-bit stereo, 44.1 kHz, at real-time pace; the header's sizes are
//       brought up to date after every buffer, so the file stays valid if the
//       process is killed) instead of playing it;
//   KESTREL_AUDIO_OUTPUT=null        consume at real-time pace and discard,
//       without trying a sound device (used also when SDL finds no device);
//   KESTREL_AUDIO_CLOSE_AFTER_MS=N   close the device after N ms of silence
//       (15000 by default; it opens again with the next sound, output.h);
//   KESTREL_AUDIO_SOUNDFONT=/path.sf2  the General MIDI sound font for .mid;
//   KESTREL_AUDIO_DEBUG=1            let FFmpeg log (it is silent otherwise).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "stream.h"
#include "wakeup.h"

namespace kaudio {

constexpr int kSpectrumSize = 1024;

class Mixer {
  public:
    // Caller's thread. Puts `stream` on the channel in place of whatever
    // played, at once, at the volume the channel had; returns the new
    // channel's id (never 0).
    uint64_t play(std::shared_ptr<Stream> stream, bool paused);
    // Caller's thread. Empties the channel (if it plays `stream`, for the
    // second form) and returns what was on it, to be released by the caller
    // outside any lock.
    std::shared_ptr<Stream> clear();
    std::shared_ptr<Stream> clearIf(const Stream* stream);

    // Caller's thread. Each returns an error code of kestrel_audio.h:
    // KESTREL_AUDIO_ERR_INVALID_HANDLE when `channel` is not the current one.
    int setVolume(uint64_t channel, float volume);
    int getVolume(uint64_t channel, float* volume);
    int setPaused(uint64_t channel, bool paused);
    int isPlaying(uint64_t channel, bool* playing);
    int position(uint64_t channel, unsigned* ms);
    int seek(uint64_t channel, unsigned ms);
    // The latest mixed mono samples, oldest first.
    int latestSamples(uint64_t channel, float (&out)[kSpectrumSize]);
    // The stream on `channel`, null when the channel is not the current one.
    std::shared_ptr<Stream> streamOf(uint64_t channel);
    // What tells the caller that the channel changed (wakeup.h); streams
    // tell it too, so they hold it as long as they run. Any thread.
    const std::shared_ptr<Wakeup>& wakeup() const { return wakeup_; }

    // Output thread. Fills `frames` interleaved stereo frames; never blocks
    // for longer than a copy, never allocates.
    void render(float* out, size_t frames);
    // Frames handed to the output that are not heard yet; set by the output
    // before it starts.
    void setLatency(size_t frames);
    // Set while no output runs. `handler` is called once from the output
    // thread, inside render(), when `frames` frames in a row were rendered
    // with nothing to play (no sound, paused or ended); 0 frames: never.
    void onSilence(size_t frames, std::function<void()> handler);

  private:
    using Time = std::chrono::steady_clock::time_point;
    bool current(uint64_t channel) const { return channel != 0 && channel == channelId_ && stream_; }
    // Under mutex_: when the sound that has ended will have been heard.
    Time heardEnd() const;
    void remember(const float* frames, size_t count);

    std::mutex mutex_;
    std::shared_ptr<Stream> stream_;  // guarded by mutex_
    uint64_t channelId_ = 0;          // guarded by mutex_
    uint64_t nextChannelId_ = 1;      // caller's thread
    float volume_ = 1.0f;             // guarded by mutex_
    bool paused_ = false;             // guarded by mutex_
    bool ended_ = false;              // guarded by mutex_
    unsigned seekTargetMs_ = 0;       // guarded by mutex_
    uint64_t sourceEnd_ = 0;          // guarded by mutex_: source frame after the last one handed out
    Time stamp_{};                    // guarded by mutex_: when that last buffer was handed out
    uint64_t seeksSeen_ = 0;          // guarded by mutex_: the stream's landed seeks, as last seen
    size_t latency_ = 2048;           // guarded by mutex_
    bool starving_ = false;           // guarded by mutex_: the output wanted audio and got none
    Time starvedSince_{};             // guarded by mutex_: since when
    const std::shared_ptr<Wakeup> wakeup_ = std::make_shared<Wakeup>();

    size_t silenceLimit_ = 0;               // set while no output runs
    std::function<void()> silenceHandler_;  // set while no output runs
    size_t silentFrames_ = 0;               // output thread

    std::mutex historyMutex_;
    float history_[kSpectrumSize] = {};  // guarded by historyMutex_: a ring of mono samples
    size_t historyAt_ = 0;               // guarded by historyMutex_
};

}  // namespace kaudio
