// The library's system object: the mixer, its output and the spectrum plan.
#pragma once

#include <memory>

#include "mixer.h"
#include "output.h"
#include "spectrum.h"

namespace kaudio {

struct AudioSystem {
    Mixer mixer;
    Spectrum spectrum;               // caller's thread only
    std::unique_ptr<Output> output;  // caller's thread; null before init and after close
    bool closed = false;

    ~AudioSystem() { output.reset(); }  // the output stops pulling before the mixer goes
};

}  // namespace kaudio
