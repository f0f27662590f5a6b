// Magnitude spectrum of the latest mixed samples, through one FFTW plan made
// when the spectrum is first asked for: FFTW is opened then, and planning
// touches megabytes of it that a player with nothing playing has no use for.
#pragma once

#include "mixer.h"

namespace kaudio {

constexpr int kSpectrumBins = kSpectrumSize / 2;

class Spectrum {
  public:
    Spectrum() = default;
    ~Spectrum();
    Spectrum(const Spectrum&) = delete;
    Spectrum& operator=(const Spectrum&) = delete;

    // Caller's thread. Rectangular window; out[k] for k < count (count at most
    // kSpectrumBins) is |X[k]| * 2 / N, so a full-scale sine reads about 1.0
    // in its bin.
    void compute(const float (&samples)[kSpectrumSize], float* out, int count);

  private:
    bool makePlan();  // false when FFTW cannot be loaded

    float* in_ = nullptr;
    void* out_ = nullptr;  // fftwf_complex[kSpectrumSize / 2 + 1]
    // |X[k]| * 2 / N of the transform in out_.
    float magnitudes_[kSpectrumBins] = {};
    void* plan_ = nullptr;
};

}  // namespace kaudio
