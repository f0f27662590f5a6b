// Decoder for Standard MIDI Files, rendered by FluidSynth with the General
// MIDI sound font.
#pragma once

#include <memory>
#include <string>

#include "decoder.h"

namespace kaudio {

// True when the first bytes are a Standard MIDI File header ("MThd").
bool looksLikeMidi(const unsigned char* head, size_t size);

std::unique_ptr<Decoder> makeMidiDecoder(std::string path);

}  // namespace kaudio
