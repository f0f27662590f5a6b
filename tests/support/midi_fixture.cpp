#include "support/midi_fixture.h"

namespace midi_test {
namespace {

std::string be(uint32_t v, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

}  // namespace

std::string vlq(uint32_t value) {
    std::string out(1, static_cast<char>(value & 0x7F));
    while (value >>= 7) out.insert(out.begin(), static_cast<char>(0x80 | (value & 0x7F)));
    return out;
}

std::string event(uint32_t delta, const std::string& bytes) {
    return vlq(delta) + bytes;
}
std::string tempo(uint32_t delta, uint32_t micros) {
    return event(delta, std::string("\xFF\x51\x03", 3) + be(micros, 3));
}
std::string noteOn(uint32_t delta, uint8_t key) {
    return event(delta, std::string("\x90", 1) + static_cast<char>(key) + std::string("\x64", 1));
}
std::string endOfTrack(uint32_t delta) {
    return event(delta, std::string("\xFF\x2F\x00", 3));
}

std::string file(uint16_t format, uint16_t division, const std::vector<std::string>& tracks) {
    std::string out =
        "MThd" + be(6, 4) + be(format, 2) + be(static_cast<uint32_t>(tracks.size()), 2) + be(division, 2);
    for (const std::string& t : tracks) out += "MTrk" + be(static_cast<uint32_t>(t.size()), 4) + t;
    return out;
}

std::string lastingMs(uint32_t ms) {
    // 1000 ticks per quarter at 1 000 000 microseconds per quarter.
    return file(0, 1000, {tempo(0, 1000000) + noteOn(0, 60) + endOfTrack(ms)});
}

}  // namespace midi_test
