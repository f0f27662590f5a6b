#include "spectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "platform/os/bind_function.h"

namespace kaudio {
namespace {

// clang-format off
#define KAUDIO_FFTW_FUNCTIONS(X) \
    X(fftwf_alloc_real) X(fftwf_alloc_complex) X(fftwf_free) X(fftwf_plan_dft_r2c_1d) X(fftwf_execute) \
    X(fftwf_destroy_plan)
// clang-format on

struct FftwApi {
    KAUDIO_FFTW_FUNCTIONS(OS_API_SLOT)
};

// Any thread; null when FFTW cannot be loaded. Loaded once, never unloaded.
const FftwApi* fftwApi() {
    static const FftwApi* api = os::openApi<FftwApi>({"libfftw3f.so.3"}, [](void* handle, FftwApi& api) {
        bool all = true;
        KAUDIO_FFTW_FUNCTIONS(OS_API_BIND)
        return all;
    });
    return api;
}

}  // namespace

Spectrum::~Spectrum() {
    if (!plan_) return;
    const FftwApi* fftw = fftwApi();
    fftw->fftwf_destroy_plan(static_cast<fftwf_plan>(plan_));
    fftw->fftwf_free(out_);
    fftw->fftwf_free(in_);
}

bool Spectrum::makePlan() {
    const FftwApi* fftw = fftwApi();
    if (!fftw) return false;
    // FFTW's planner is not thread-safe, and two systems may ask at once.
    static std::mutex planning;
    std::lock_guard lock(planning);
    in_ = fftw->fftwf_alloc_real(kSpectrumSize);
    fftwf_complex* out = fftw->fftwf_alloc_complex(kSpectrumSize / 2 + 1);
    out_ = out;
    std::fill(in_, in_ + kSpectrumSize, 0.0f);
    plan_ = fftw->fftwf_plan_dft_r2c_1d(kSpectrumSize, in_, out, FFTW_ESTIMATE);
    fftw->fftwf_execute(static_cast<fftwf_plan>(plan_));  // out_ holds the transform of in_ from now on
    return true;
}

void Spectrum::compute(const float (&samples)[kSpectrumSize], float* out, int count) {
    count = std::min(count, kSpectrumBins);
    if (!plan_ && !makePlan()) {
        std::fill_n(out, count, 0.0f);  // no FFTW: a flat spectrum
        return;
    }
    // Asked on every pass of the player's loop, while the output mixes a new
    // buffer only every few passes: the same samples keep their transform
    // (an out-of-place real transform leaves in_ as it was).
    if (!std::equal(samples, samples + kSpectrumSize, in_)) {
        std::copy(samples, samples + kSpectrumSize, in_);
        fftwApi()->fftwf_execute(static_cast<fftwf_plan>(plan_));
        const auto* bins = static_cast<const fftwf_complex*>(out_);
        const float scale = 2.0f / kSpectrumSize;
        for (int k = 0; k < kSpectrumBins; ++k) magnitudes_[k] = std::hypot(bins[k][0], bins[k][1]) * scale;
    }
    std::copy_n(magnitudes_, count, out);
}

}  // namespace kaudio
