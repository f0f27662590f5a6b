// How long a media file plays, in milliseconds: Standard MIDI Files by our
// own reader, everything else through FFmpeg's demuxers.
//
// Threads: any. Blocks while the file is read (FFmpeg may read a few
// hundred kilobytes to find the streams). Never waits on a FIFO, a socket
// or a device: the file is opened without waiting and refused unless it is
// a regular file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mci {

struct MediaLength {
    bool notAFile = false;       // a FIFO, socket, device or folder
    std::optional<uint64_t> ms;  // nullopt when the file cannot be read as media
};
MediaLength probeMediaLength(const std::string& path);

// nullopt when the file cannot be opened or is no media file. A media file
// whose length is unknown answers 0.
std::optional<uint64_t> mediaLengthMs(const std::string& path);

}  // namespace mci
