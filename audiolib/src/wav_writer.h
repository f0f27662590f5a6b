// A 16-bit stereo PCM WAV file whose header always tells the truth: the
// sizes are rewritten after every block, so a reader (or a killed process)
// never sees a header that disagrees with the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "status.h"

namespace kaudio {

class WavWriter {
  public:
    ~WavWriter();
    // Creates or truncates the file and writes an empty header.
    Status open(const std::string& path, int rate);
    // Appends interleaved stereo float frames, clipped to 16 bits.
    bool append(const float* frames, size_t count);

  private:
    int fd_ = -1;
    uint64_t dataBytes_ = 0;
    std::vector<int16_t> scratch_;
};

}  // namespace kaudio
