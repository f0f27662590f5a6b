#include "platform/mci/midi_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace mci {
namespace {

constexpr uint32_t kDefaultTempo = 500000;  // microseconds per quarter note

struct TempoChange {
    uint64_t tick;
    uint32_t microsPerQuarter;
};

struct Reader {
    std::span<const uint8_t> bytes;
    size_t pos = 0;
    size_t end = 0;

    bool has(size_t n) const { return end - pos >= n; }
    uint32_t be(size_t at, int n) const {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) v = (v << 8) | bytes[at + i];
        return v;
    }
    // A variable-length quantity of at most four bytes.
    bool vlq(uint32_t& out) {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            if (!has(1)) return false;
            const uint8_t b = bytes[pos++];
            out = (out << 7) | (b & 0x7F);
            if (!(b & 0x80)) return true;
        }
        return false;
    }
};

MidiReadResult failure(const char* what, size_t offset) {
    MidiReadResult r;
    r.error = {what, offset};
    return r;
}

// Walks one track's events; returns the tick of its last event, or the
// offset of the fault through `error`.
bool readTrack(Reader& r, uint64_t& lastTick, std::vector<TempoChange>& tempos, MidiReadResult& error,
               size_t& events) {
    uint64_t tick = 0;
    uint8_t running = 0;
    for (; r.has(1); ++events) {
        uint32_t delta;
        if (!r.vlq(delta)) {
            error = failure("bad delta time", r.pos);
            return false;
        }
        tick += delta;
        if (!r.has(1)) {
            error = failure("event cut off", r.pos);
            return false;
        }
        uint8_t status = r.bytes[r.pos];
        if (status & 0x80) {
            ++r.pos;
        } else if (running) {
            status = running;  // running status: the byte is the first data byte
        } else {
            error = failure("data byte without status", r.pos);
            return false;
        }
        if (status < 0xF0) {
            running = status;
            const size_t dataBytes = (status & 0xE0) == 0xC0 ? 1 : 2;
            if (!r.has(dataBytes)) {
                error = failure("channel event cut off", r.pos);
                return false;
            }
            r.pos += dataBytes;
        } else if (status == 0xF0 || status == 0xF7) {
            running = 0;
            uint32_t length;
            if (!r.vlq(length) || !r.has(length)) {
                error = failure("system exclusive cut off", r.pos);
                return false;
            }
            r.pos += length;
        } else if (status == 0xFF) {
            running = 0;
            if (!r.has(1)) {
                error = failure("meta event cut off", r.pos);
                return false;
            }
            const uint8_t type = r.bytes[r.pos++];
            uint32_t length;
            if (!r.vlq(length) || !r.has(length)) {
                error = failure("meta event cut off", r.pos);
                return false;
            }
            if (type == 0x51 && length == 3) tempos.push_back({tick, r.be(r.pos, 3)});
            r.pos += length;
            if (type == 0x2F) break;  // end of track
        } else {
            error = failure("status byte not allowed in a file", r.pos - 1);
            return false;
        }
    }
    lastTick = tick;
    return true;
}

uint64_t ticksToMs(uint64_t ticks, uint16_t division, std::vector<TempoChange>& tempos) {
    if (division & 0x8000) {
        // SMPTE: frames per second (negative in the high byte) times ticks per frame.
        const int fps = -static_cast<int8_t>(division >> 8);
        const uint32_t perFrame = division & 0xFF;
        const double framesPerSecond = fps == 29 ? 29.97 : fps;
        if (fps <= 0 || perFrame == 0) return 0;
        return static_cast<uint64_t>(static_cast<double>(ticks) * 1000.0 / (framesPerSecond * perFrame));
    }
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    unsigned __int128 micros = 0;  // times division
    uint64_t at = 0;
    uint32_t tempo = kDefaultTempo;
    for (const TempoChange& t : tempos) {
        if (t.tick >= ticks) break;
        micros += static_cast<unsigned __int128>(t.tick - at) * tempo;
        at = t.tick;
        tempo = t.microsPerQuarter;
    }
    micros += static_cast<unsigned __int128>(ticks - at) * tempo;
    return static_cast<uint64_t>(micros / division / 1000);
}

}  // namespace

MidiReadResult readMidiFile(std::span<const uint8_t> bytes) {
    Reader r{bytes, 0, bytes.size()};
    if (!r.has(14) || std::memcmp(bytes.data(), "MThd", 4) != 0) return failure("not a MIDI file", 0);
    const uint32_t headerLength = r.be(4, 4);
    if (headerLength < 6 || headerLength > bytes.size() - 8) return failure("bad header length", 4);
    MidiSummary summary;
    summary.format = static_cast<uint16_t>(r.be(8, 2));
    summary.trackCount = static_cast<uint16_t>(r.be(10, 2));
    const uint16_t division = static_cast<uint16_t>(r.be(12, 2));
    if (summary.format > 2) return failure("unknown format", 8);
    if ((division & 0x7FFF) == 0) return failure("zero division", 12);

    std::vector<TempoChange> tempos;
    size_t events = 0;
    uint64_t longest = 0;
    size_t chunk = 8 + headerLength;
    int tracksRead = 0;
    while (bytes.size() - chunk >= 8 && tracksRead < summary.trackCount) {
        const uint32_t length = r.be(chunk + 4, 4);
        const size_t body = chunk + 8;
        const size_t bodyEnd = length > bytes.size() - body ? bytes.size() : body + length;
        if (std::memcmp(bytes.data() + chunk, "MTrk", 4) == 0) {
            Reader track{bytes, body, bodyEnd};
            uint64_t lastTick = 0;
            MidiReadResult error;
            if (!readTrack(track, lastTick, tempos, error, events)) {
                error.eventCount = events;
                return error;
            }
            longest = std::max(longest, lastTick);
            ++tracksRead;
        }
        chunk = bodyEnd;
    }
    summary.durationMs = ticksToMs(longest, division, tempos);
    MidiReadResult result;
    result.summary = summary;
    result.eventCount = events;
    return result;
}

}  // namespace mci
