// Magnitude spectrum of the latest mixed samples, through one FFTW plan made
// when the system is created.
#pragma once

#include "mixer.h"

namespace kaudio {

constexpr int kSpectrumBins = kSpectrumSize / 2;

class Spectrum {
  public:
    Spectrum();  // makes the plan (not thread-safe against other FFTW planning)
    ~Spectrum();
    Spectrum(const Spectrum&) = delete;
    Spectrum& operator=(const Spectrum&) = delete;

    // Caller's thread. Rectangular window; out[k] for k < count (count at most
    // kSpectrumBins) is |X[k]| * 2 / N, so a full-scale sine reads about 1.0
    // in its bin.
    void compute(const float (&samples)[kSpectrumSize], float* out, int count);

  private:
    float* in_;
    void* out_;  // fftwf_complex[kSpectrumSize / 2 + 1]
    void* plan_;
};

}  // namespace kaudio
