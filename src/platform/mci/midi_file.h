// A small Standard MIDI File reader: the header, the track chunks and their
// events, enough to know how long the file plays (tempo changes included).
//
// Threads: any. Pure function over bytes; nothing blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace mci {

struct MidiSummary {
    uint16_t format = 0;      // 0, 1 or 2
    uint16_t trackCount = 0;  // as the header announces
    uint64_t durationMs = 0;  // up to the last event of the longest track
};

struct MidiError {
    std::string what;
    size_t offset = 0;  // where in the bytes the reader gave up
};

struct MidiReadResult {
    std::optional<MidiSummary> summary;  // empty on failure
    MidiError error;
    size_t eventCount = 0;  // events read, up to the failure if there was one
};

// Reads a whole file's bytes. A track chunk that claims more bytes than the
// file holds is read up to the file's end (as players do); a malformed event
// fails the whole file.
MidiReadResult readMidiFile(std::span<const uint8_t> bytes);

}  // namespace mci
