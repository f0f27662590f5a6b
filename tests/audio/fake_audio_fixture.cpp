#include "audio/fake_audio_fixture.h"

#include <cstdint>
#include <sstream>

#include "state/app_state.h"

namespace fake_audio {
namespace {

template <typename T>
std::string h(T* handle) {
    return std::to_string(reinterpret_cast<uintptr_t>(handle));
}
template <typename T>
T* fresh() {
    return reinterpret_cast<T*>(static_cast<uintptr_t>(state().nextHandle++));
}
void log(const std::string& line) {
    state().calls.push_back(line);
}

int createStream(FMOD_SYSTEM* s, const char* name, unsigned mode, void* exinfo, FMOD_SOUND** sound) {
    std::ostringstream o;
    o << "CreateStream " << h(s) << " " << name << " 0x" << std::hex << mode << (exinfo ? " exinfo" : "");
    log(o.str());
    if (std::string(name) == "fail") return 3;
    *sound = fresh<FMOD_SOUND>();
    return 0;
}
int playSound(FMOD_SYSTEM*, int index, FMOD_SOUND* sound, int paused, FMOD_CHANNEL** channel) {
    log("PlaySound " + std::to_string(index) + " " + h(sound) + " " + std::to_string(paused));
    if (!sound) return 1;
    *channel = fresh<FMOD_CHANNEL>();
    return 0;
}
int setVolume(FMOD_CHANNEL* c, float v) {
    std::ostringstream o;
    o << "SetVolume " << h(c) << " " << v;
    log(o.str());
    return 0;
}
int getVolume(FMOD_CHANNEL*, float*) {
    log("GetVolume");
    return 0;
}
int create(FMOD_SYSTEM** s) {
    log("Create");
    *s = fresh<FMOD_SYSTEM>();
    return 0;
}
int init(FMOD_SYSTEM* s, int channels, unsigned flags, void* extra) {
    log("Init " + h(s) + " " + std::to_string(channels) + " " + std::to_string(flags) +
        (extra ? " extra" : ""));
    return 0;
}
int getSpectrum(FMOD_CHANNEL*, float* values, int count, int offset, int window) {
    log("GetSpectrum " + std::to_string(count) + " " + std::to_string(offset) + " " + std::to_string(window));
    for (int i = 0; i < count; ++i) values[i] = state().spectrum;
    return 0;
}
int getPosition(FMOD_CHANNEL*, unsigned* position, unsigned unit) {
    log("GetPosition " + std::to_string(unit));
    *position = state().position;
    return 0;
}
int setPosition(FMOD_CHANNEL* c, unsigned position, unsigned unit) {
    log("SetPosition " + h(c) + " " + std::to_string(position) + " " + std::to_string(unit));
    return 0;
}
int isPlaying(FMOD_CHANNEL*, int* playing) {
    log("IsPlaying");
    *playing = state().playing;
    return 0;
}
int setPaused(FMOD_CHANNEL* c, int paused) {
    log("SetPaused " + h(c) + " " + std::to_string(paused));
    return 0;
}
int soundRelease(FMOD_SOUND* s) {
    log("SoundRelease " + h(s));
    return 0;
}
int close(FMOD_SYSTEM* s) {
    log("Close " + h(s));
    return 0;
}
int release(FMOD_SYSTEM* s) {
    log("Release " + h(s));
    return 0;
}

}  // namespace

State& state() {
    static State s;
    return s;
}

void install() {
    state() = State{};
    appState.audio =
        AudioFunctions{createStream, playSound,   setVolume, getVolume, create,       init,  getSpectrum,
                       getPosition,  setPosition, isPlaying, setPaused, soundRelease, close, release};
}

std::string lastCall() {
    return state().calls.empty() ? "" : state().calls.back();
}

}  // namespace fake_audio
