// Where mixed audio goes: a sound device through SDL2, a WAV file, or
// nowhere at real-time pace. See mixer.h for the environment variables that
// choose one.
#pragma once

#include <memory>

#include "mixer.h"
#include "status.h"

namespace kaudio {

class Output {
  public:
    virtual ~Output() = default;
    // Caller's thread: a new sound was put on the channel. Outputs that can
    // take audio early do so now, so that it starts at once.
    virtual void kick() {}
};

// Caller's thread. Opens the output chosen by the environment and starts
// pulling from `mixer`; the output stops when destroyed (blocking until its
// thread has left render()).
Status openOutput(Mixer& mixer, std::unique_ptr<Output>* out);

// The outputs themselves (sdl_output.cpp, paced_output.cpp).
Status openSdlOutput(Mixer& mixer, std::unique_ptr<Output>* out);
// `wavPath` empty: discard the audio.
Status openPacedOutput(Mixer& mixer, const char* wavPath, std::unique_ptr<Output>* out);

}  // namespace kaudio
