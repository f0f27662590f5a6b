// The audio library as the program sees it: mapped from the program's own
// data, its 14 functions bound by name, one system object. UI thread only.
//
// If the library cannot be mapped or one of its names is missing, the user
// is told once and every entry stays empty: the program runs silent, and
// each call site checks its entry before calling it.
#pragma once

struct MappedModule;

// Maps the carried library; also stores the module in appState.audioModule.
// nullptr when it cannot be mapped (after telling the user).
MappedModule* loadAudioModule();
// Looks the 14 names up in appState.audioModule, in the binding order.
void bindAudioLibrary();
// The system for one channel; the wait watches the library's wake-up
// descriptor when it offers one.
void initAudioSystem();
void releaseAudio();
// A play is likely soon: the library loads its decoders in the background.
void prepareAudio();
