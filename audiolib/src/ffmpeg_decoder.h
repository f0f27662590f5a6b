// Decoder for local files and http/https addresses, on FFmpeg.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "decoder.h"

namespace kaudio {

// `url` is either "file:" + a local path or an http/https address; `network`
// says which, and fixes the protocols FFmpeg may reach. FFmpeg itself is
// loaded by the first open().
std::unique_ptr<Decoder> makeFfmpegDecoder(std::string url, bool network, const std::atomic<bool>& abort);

}  // namespace kaudio
