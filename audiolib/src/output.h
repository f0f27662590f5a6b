// Where mixed audio goes: a sound device through SDL2, a WAV file, or
// nowhere at real-time pace. See mixer.h for the environment variables that
// choose one.
#pragma once

#include <memory>

#include "kestrel_audio.h"
#include "mixer.h"
#include "status.h"

namespace kaudio {

class Output {
  public:
    virtual ~Output() = default;
    // Caller's thread: a new sound was put on the channel. Outputs that can
    // take audio early do so now, so that it starts at once.
    virtual void kick() {}
    // Caller's thread: a paused channel plays again.
    virtual void resume() {}
    // Any thread: where the sound goes now (KESTREL_AUDIO_OUTPUT_*).
    virtual int kind() const = 0;
};

// Caller's thread. Makes the output chosen by the environment; it pulls from
// `mixer` until destroyed (which blocks until its thread has left render()).
// A WAV file is written from the start. A device (or the null output in its
// place) opens on the first sound, not here, so that start-up pays no probe
// of the sound system, and closes again after a while of silence
// (KESTREL_AUDIO_CLOSE_AFTER_MS, 15 s by default), so that an idle player
// runs no output thread.
Status openOutput(Mixer& mixer, std::unique_ptr<Output>* out);

// The outputs themselves (sdl_output.cpp, paced_output.cpp).
Status openSdlOutput(Mixer& mixer, std::unique_ptr<Output>* out);
// `wavPath` empty: discard the audio.
Status openPacedOutput(Mixer& mixer, const char* wavPath, std::unique_ptr<Output>* out);

}  // namespace kaudio
