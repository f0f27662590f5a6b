// Standard MIDI Files made by the tests: raw event bytes per track, wrapped
// in the header and track chunks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace midi_test {

std::string vlq(uint32_t value);
// Delta time, then the event's bytes.
std::string event(uint32_t delta, const std::string& bytes);
std::string tempo(uint32_t delta, uint32_t microsPerQuarter);
std::string noteOn(uint32_t delta, uint8_t key);
std::string endOfTrack(uint32_t delta);
std::string file(uint16_t format, uint16_t division, const std::vector<std::string>& tracks);
// A one-track file that plays exactly `ms` milliseconds (1 tick = 1 ms).
std::string lastingMs(uint32_t ms);

}  // namespace midi_test
