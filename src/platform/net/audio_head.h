// What the first bytes of a downloaded body say: whether it is audio in a
// format the player plays, and the bit rate an MPEG audio stream declares.
#pragma once

#include <string_view>

namespace net::detail {

struct AudioHead {
    bool audio = false;
    int bitRate = 0;  // bits per second of MPEG audio frames; 0 when unknown
};

// `head` is the start of the body; `whole` says it is the entire body, so
// that a file of a single MPEG frame still counts. Audio is: an ID3v2 tag,
// two MPEG audio or ADTS frames in a row (within the first 64 KiB), or the
// signature of RIFF/WAVE, FLAC, Ogg, MP4/M4A, MIDI, AIFF, Matroska/WebM,
// ASF/WMA, CAF, Monkey's Audio, WavPack, Musepack, TTA, AMR or Sun audio.
// Pure.
AudioHead readAudioHead(std::string_view head, bool whole);

}  // namespace net::detail
