// The picture a media file carries for its album: an ID3 APIC frame, a FLAC
// or Vorbis comment PICTURE block, an MP4 "covr" atom, as FFmpeg's
// demuxers expose them (a stream with an attached picture).
//
// Threads: any. Blocks while the file's header is read, at most about a
// second; never waits on a FIFO, a socket or a device (only a regular file
// is opened).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mci {

// The encoded picture (JPEG, PNG, ... as stored), or nothing when the file
// has none, is no media file, or its header took too long to read.
std::vector<uint8_t> coverPicture(const std::string& path);

}  // namespace mci
