// Helpers of the audio library's tests: fixtures made with sox and lame, the
// library driven into a WAV file, and tone measurements on what it wrote.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "kestrel_audio.h"
#include "support/wait.h"

namespace audiotest {

// A folder for this test process's fixtures, removed at exit.
const std::filesystem::path& fixtureDir();
// Runs a shell command and fails the test if it does not succeed.
void sh(const std::string& command);

// A stereo 16-bit WAV tone (sox synth), cached by its parameters.
std::string toneWav(double hz, double seconds, double amplitude = 0.9);
// The same tone encoded by lame: "cbr" at 128 kbit/s or "vbr" (-V 4).
std::string toneMp3(double hz, double seconds, const std::string& mode = "cbr");
// A short Standard MIDI File: middle-A held for `seconds` on a piano.
std::string midiFile(double seconds);

struct Wav {
    int rate = 0;
    int channels = 0;
    std::vector<float> left;  // the first channel, in [-1, 1]
    double seconds() const { return rate ? static_cast<double>(left.size()) / rate : 0; }
};
Wav readWav(const std::string& path);

// Amplitude of the `hz` component over [from, from + length) seconds (a
// full-scale sine gives 1.0).
double toneLevel(const Wav& wav, double hz, double from, double length);
// Largest absolute sample over [from, from + length) seconds.
double peak(const Wav& wav, double from, double length);
// First and last time (seconds) where the `hz` tone is above `level`,
// scanned in 10 ms steps; -1 when it never is.
double firstTime(const Wav& wav, double hz, double level, double after = 0);
double lastTime(const Wav& wav, double hz, double level);

using testsupport::waitUntil;

// One system of the library writing into its own WAV file.
class Session {
  public:
    Session();  // creates and initialises; the test fails if that fails
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    FMOD_SYSTEM* system() const { return system_; }
    // Opens `name`, failing the test if it does not open.
    FMOD_SOUND* open(const std::string& name);
    FMOD_CHANNEL* play(FMOD_SOUND* sound);
    bool playing(FMOD_CHANNEL* channel) const;
    unsigned position(FMOD_CHANNEL* channel) const;
    // What the output wrote so far; `elapsed` is where "now" is in it.
    Wav output() const;
    double outputSeconds() const;

  private:
    std::string wavPath_;
    FMOD_SYSTEM* system_ = nullptr;
};

}  // namespace audiotest
