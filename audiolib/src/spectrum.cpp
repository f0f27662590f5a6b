#include "spectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace kaudio {

Spectrum::~Spectrum() {
    if (!plan_) return;
    fftwf_destroy_plan(static_cast<fftwf_plan>(plan_));
    fftwf_free(out_);
    fftwf_free(in_);
}

void Spectrum::makePlan() {
    // FFTW's planner is not thread-safe, and two systems may ask at once.
    static std::mutex planning;
    std::lock_guard lock(planning);
    in_ = fftwf_alloc_real(kSpectrumSize);
    fftwf_complex* out = fftwf_alloc_complex(kSpectrumSize / 2 + 1);
    out_ = out;
    std::fill(in_, in_ + kSpectrumSize, 0.0f);
    plan_ = fftwf_plan_dft_r2c_1d(kSpectrumSize, in_, out, FFTW_ESTIMATE);
    fftwf_execute(static_cast<fftwf_plan>(plan_));  // out_ holds the transform of in_ from now on
}

void Spectrum::compute(const float (&samples)[kSpectrumSize], float* out, int count) {
    if (!plan_) makePlan();
    // Asked on every pass of the player's loop, while the output mixes a new
    // buffer only every few passes: the same samples keep their transform
    // (an out-of-place real transform leaves in_ as it was).
    if (!std::equal(samples, samples + kSpectrumSize, in_)) {
        std::copy(samples, samples + kSpectrumSize, in_);
        fftwf_execute(static_cast<fftwf_plan>(plan_));
        const auto* bins = static_cast<const fftwf_complex*>(out_);
        const float scale = 2.0f / kSpectrumSize;
        for (int k = 0; k < kSpectrumBins; ++k) magnitudes_[k] = std::hypot(bins[k][0], bins[k][1]) * scale;
    }
    std::copy_n(magnitudes_, std::min(count, kSpectrumBins), out);
}

}  // namespace kaudio
