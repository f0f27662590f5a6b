// The audio library as the program sees it: mapped from the program's own
// data, its 14 functions bound by name, one system object.
#pragma once

struct MappedModule;

MappedModule* loadAudioModule();  // also stores the module in appState.audioModule
void bindAudioLibrary();
void initAudioSystem();
void releaseAudio();
