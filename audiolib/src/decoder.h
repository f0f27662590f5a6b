// What a stream's thread asks of a decoder: open a source, hand out
// interleaved stereo float frames at the output rate, seek.
//
// A decoder lives on its stream's thread: every call is made from that one
// thread and may block (network reads), but never beyond the deadline it is
// given or past the moment `abort` turns true.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "status.h"

namespace kaudio {

constexpr int kOutputRate = 44100;
using Clock = std::chrono::steady_clock;
// How long an address may take to open, up to its first audio.
constexpr std::chrono::seconds kNetworkBound{10};
// How long a playing network stream may go without data before it counts as
// dropped (and is reopened).
constexpr std::chrono::seconds kStallBound{5};

class Decoder {
  public:
    virtual ~Decoder() = default;

    // Opens the source; fails by `deadline` at the latest.
    virtual Status open(Clock::time_point deadline) = 0;
    // Decodes up to `maxFrames` frames into `out`. Returns the frame count,
    // 0 at the end of the source, or a negative number when it broke off.
    virtual long read(float* out, long maxFrames) = 0;
    // Whether seek() can work: a file of known length, not an endless stream.
    virtual bool seekable() const = 0;
    // Moves so that the next read() starts at `ms`; false when it cannot.
    virtual bool seek(unsigned ms) = 0;

    // An http/https source, which may be reopened when it drops.
    virtual bool network() const { return false; }
    // Whether the last failure of open() or read() was the network's (a
    // refused or reset connection, a stall, a server error, a live stream or
    // a file cut short) rather than a missing address or a format error:
    // then opening the same address again may mend it.
    virtual bool recoverable() const { return false; }
    // Where the audio handed out so far ends, in the source's milliseconds.
    virtual unsigned positionMs() const { return 0; }
    // The station's now-playing title (UTF-8) when it changed since the last
    // call; false otherwise.
    virtual bool takeTitle(std::string* /*title*/) { return false; }
    // Once open: the sound's length in milliseconds, 0 when unknown or endless.
    virtual unsigned lengthMs() const { return 0; }
    // Once open: the source's tag (UTF-8) under a key such as "title",
    // "artist" or "album"; "" when it has none.
    virtual std::string tag(const char* /*key*/) const { return {}; }
};

// Picks the decoder for a name: a local MIDI file, or FFmpeg for other local
// files and for http/https addresses. Fails at once for an address of another
// scheme, a missing path or something that is not a regular file.
Status makeDecoder(const std::string& name, const std::atomic<bool>& abort, std::unique_ptr<Decoder>* out);

// Any thread. Loads the decoder libraries (FFmpeg) on a thread of its own,
// once, and returns at once: the first open then finds them loaded.
void prepareDecoders();

}  // namespace kaudio
