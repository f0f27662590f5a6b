// A stand-in for the audio library's 14 entries, installed into
// appState.audio: every call is logged as a line of text, handles are small
// fake pointers, and the answers of the polls are set by the test.
#pragma once

#include <string>
#include <vector>

namespace fake_audio {

struct State {
    std::vector<std::string> calls;
    float spectrum = 0.0f;  // every value GetSpectrum writes
    unsigned position = 0;
    int playing = 1;
    int nextHandle = 1;
};

State& state();
// Resets the log and installs the fakes. An address "fail" makes the open fail.
void install();
std::string lastCall();

}  // namespace fake_audio
