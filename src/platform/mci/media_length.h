// How long a media file plays, in milliseconds: Standard MIDI Files by our
// own reader, everything else through FFmpeg's demuxers.
//
// Threads: any. Blocks while the file is read (FFmpeg may read a few
// hundred kilobytes to find the streams).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mci {

// nullopt when the file cannot be opened or is no media file. A media file
// whose length is unknown answers 0.
std::optional<uint64_t> mediaLengthMs(const std::string& path);

}  // namespace mci
