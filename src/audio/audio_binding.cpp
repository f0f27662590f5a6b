// Entry points whose behaviour is not built yet: each does nothing.
#include "audio/audio_binding.h"

MappedModule* loadAudioModule() { return nullptr; }
void bindAudioLibrary() {}
void initAudioSystem() {}
void releaseAudio() {}
