// Decoder for Standard MIDI Files, rendered by FluidSynth with the General
// MIDI sound font.
#pragma once

#include <memory>
#include <string>

#include "decoder.h"

namespace kaudio {

// True when the first bytes are a Standard MIDI File's ("MThd").
bool looksLikeMidi(const unsigned char* head, size_t size);
// True when the header is whole and a first track chunk follows it.
bool wellFormedMidi(const std::string& song);

// Refuses, at open, a file whose events do not parse (before its cut-off
// end) or that holds more events than a song does. `abort` ends a seek,
// which renders silently up to its target.
std::unique_ptr<Decoder> makeMidiDecoder(std::string path, const std::atomic<bool>& abort);

}  // namespace kaudio
