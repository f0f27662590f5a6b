#include "platform/net/audio_head.h"

#include <cstddef>
#include <cstdint>

namespace net::detail {
namespace {

constexpr size_t kSearchedBytes = 64 * 1024;  // where the first frame must start

uint8_t at(std::string_view s, size_t i) {
    return static_cast<uint8_t>(s[i]);
}

// One MPEG audio or ADTS frame header at the start of `p`.
struct Frame {
    size_t length = 0;  // bytes, header included; 0 when no header
    int bitRate = 0;    // bits per second (MPEG audio only)
    uint32_t kind = 0;  // what a following frame of the same stream shares
};

Frame mpegFrame(std::string_view s, size_t i) {
    Frame f;
    if (i + 4 > s.size() || at(s, i) != 0xFF || (at(s, i + 1) & 0xE0) != 0xE0) return f;
    const int version = (at(s, i + 1) >> 3) & 3;  // 0: 2.5, 1: reserved, 2: 2, 3: 1
    const int layer = (at(s, i + 1) >> 1) & 3;    // 1: III, 2: II, 3: I
    const int rateIndex = at(s, i + 2) >> 4;
    const int sampleIndex = (at(s, i + 2) >> 2) & 3;
    const int padding = (at(s, i + 2) >> 1) & 1;
    if (version == 1 || layer == 0 || rateIndex == 0 || rateIndex == 15 || sampleIndex == 3 ||
        (at(s, i + 3) & 3) == 2)
        return f;
    static constexpr int kbits[5][14] = {
        {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // 1, I
        {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // 1, II
        {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // 1, III
        {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // 2, I
        {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // 2, II and III
    };
    static constexpr int hertz[3] = {44100, 48000, 32000};
    const bool one = version == 3;
    const int table = one ? 3 - layer : layer == 3 ? 3 : 4;
    const int bitRate = kbits[table][rateIndex - 1] * 1000;
    const int sampleRate = hertz[sampleIndex] >> (one ? 0 : version == 2 ? 1 : 2);
    if (layer == 3)
        f.length = static_cast<size_t>((12 * bitRate / sampleRate + padding) * 4);
    else
        f.length = static_cast<size_t>((layer == 1 && !one ? 72 : 144) * bitRate / sampleRate + padding);
    f.bitRate = bitRate;
    f.kind = (static_cast<uint32_t>(at(s, i + 1)) << 8) | (at(s, i + 2) & 0x0C);
    return f;
}

Frame adtsFrame(std::string_view s, size_t i) {
    Frame f;
    if (i + 7 > s.size() || at(s, i) != 0xFF || (at(s, i + 1) & 0xF6) != 0xF0) return f;
    if (((at(s, i + 2) >> 2) & 0x0F) > 12) return f;  // no such sampling rate
    const size_t length =
        ((at(s, i + 3) & 3u) << 11) | (static_cast<size_t>(at(s, i + 4)) << 3) | (at(s, i + 5) >> 5);
    if (length < 7) return f;
    f.length = length;
    f.kind = 0x10000u | (static_cast<uint32_t>(at(s, i + 1)) << 8) | (at(s, i + 2) & 0xFC);
    return f;
}

// The first frame in `s` from `from` on whose successor, of the same
// stream, follows right after it (or that ends a whole body).
Frame firstFramePair(std::string_view s, size_t from, bool whole) {
    const size_t last = s.size() < from + kSearchedBytes ? s.size() : from + kSearchedBytes;
    for (size_t i = from; i < last; ++i) {
        if (at(s, i) != 0xFF) continue;
        for (Frame (*read)(std::string_view, size_t) : {mpegFrame, adtsFrame}) {
            const Frame f = read(s, i);
            if (f.length == 0) continue;
            const size_t next = i + f.length;
            if (whole && next == s.size()) return f;
            const Frame g = read(s, next);
            if (g.length != 0 && g.kind == f.kind) return f;
        }
    }
    return {};
}

// The size of an ID3v2 tag at the start (header, footer included), 0 when none.
size_t id3Size(std::string_view s) {
    if (s.size() < 10 || s.substr(0, 3) != "ID3" || at(s, 3) == 0xFF || at(s, 4) == 0xFF) return 0;
    size_t size = 0;
    for (size_t i = 6; i < 10; ++i) {
        if (at(s, i) & 0x80) return 0;
        size = (size << 7) | at(s, i);
    }
    return 10 + size + ((at(s, 5) & 0x10) ? 10 : 0);
}

bool hasSignature(std::string_view s) {
    auto starts = [&](size_t offset, std::string_view magic) {
        return s.substr(offset, magic.size()) == magic;
    };
    if ((starts(0, "RIFF") || starts(0, "RF64")) && (starts(8, "WAVE") || starts(8, "RMID"))) return true;
    if (starts(0, "FORM") && (starts(8, "AIFF") || starts(8, "AIFC"))) return true;
    if (starts(4, "ftyp")) return true;  // MP4, M4A, 3GP
    for (std::string_view magic :
         {std::string_view("fLaC"), std::string_view("OggS"), std::string_view("MThd"),
          std::string_view("\x1A\x45\xDF\xA3"), std::string_view("\x30\x26\xB2\x75\x8E\x66\xCF\x11"),
          std::string_view("caff"), std::string_view("MAC "), std::string_view("wvpk"),
          std::string_view("MPCK"), std::string_view("MP+"), std::string_view("TTA1"),
          std::string_view("#!AMR"), std::string_view(".snd")})
        if (starts(0, magic)) return true;
    return false;
}

}  // namespace

AudioHead readAudioHead(std::string_view head, bool whole) {
    AudioHead result;
    if (const size_t tag = id3Size(head); tag != 0) {
        result.audio = true;  // the frames may lie past what has come so far
        if (tag < head.size()) result.bitRate = firstFramePair(head, tag, whole).bitRate;
        return result;
    }
    if (hasSignature(head)) {
        result.audio = true;
        return result;
    }
    const Frame f = firstFramePair(head, 0, whole);
    result.audio = f.length != 0;
    result.bitRate = f.bitRate;
    return result;
}

}  // namespace net::detail
