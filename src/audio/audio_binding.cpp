#include "audio/audio_binding.h"

#include "platform/gui/gui.h"
#include "platform/loader/loader.h"
#include "state/app_state.h"
#include "state/texts.h"

// The packed library, linked in by the build (empty when it was not built).
extern "C" {
extern const unsigned char kestrel_audio_blob[];
extern const unsigned long kestrel_audio_blob_size;
}

namespace {

bool warned = false;

void warnOnce() {
    if (warned) return;
    warned = true;
    gui::messageBox(0, texts::kWarningCaption, texts::kNoAudioLibrary, gui::Icon::Warning);
}

template <typename F>
bool bind(F& entry, const char* name) {
    entry = reinterpret_cast<F>(lookupModuleExport(appState.audioModule, name));
    return entry != nullptr;
}

}  // namespace

MappedModule* loadAudioModule() {
    MappedModule* module = mapModule({kestrel_audio_blob, kestrel_audio_blob_size});
    appState.audioModule = module;
    if (!module) warnOnce();
    return module;
}

void bindAudioLibrary() {
    AudioFunctions& f = appState.audio;
    f = AudioFunctions{};
    if (!appState.audioModule) return;  // already told at loading
    bool all = true;
    all &= bind(f.FMOD_System_CreateStream, "FMOD_System_CreateStream");
    all &= bind(f.FMOD_System_PlaySound, "FMOD_System_PlaySound");
    all &= bind(f.FMOD_Channel_SetVolume, "FMOD_Channel_SetVolume");
    all &= bind(f.FMOD_Channel_GetVolume, "FMOD_Channel_GetVolume");
    all &= bind(f.FMOD_System_Create, "FMOD_System_Create");
    all &= bind(f.FMOD_System_Init, "FMOD_System_Init");
    all &= bind(f.FMOD_Channel_GetSpectrum, "FMOD_Channel_GetSpectrum");
    all &= bind(f.FMOD_Channel_GetPosition, "FMOD_Channel_GetPosition");
    all &= bind(f.FMOD_Channel_SetPosition, "FMOD_Channel_SetPosition");
    all &= bind(f.FMOD_Channel_IsPlaying, "FMOD_Channel_IsPlaying");
    all &= bind(f.FMOD_Channel_SetPaused, "FMOD_Channel_SetPaused");
    all &= bind(f.FMOD_Sound_Release, "FMOD_Sound_Release");
    all &= bind(f.FMOD_System_Close, "FMOD_System_Close");
    all &= bind(f.FMOD_System_Release, "FMOD_System_Release");
    if (!all) {
        // A library missing any of the 14 is not used at all.
        f = AudioFunctions{};
        warnOnce();
        return;
    }
    bind(f.KESTREL_Channel_GetTitle, "KESTREL_Channel_GetTitle");
    bind(f.KESTREL_System_GetOutput, "KESTREL_System_GetOutput");
}

void initAudioSystem() {
    const AudioFunctions& f = appState.audio;
    if (!f.FMOD_System_Create || !f.FMOD_System_Init) return;
    f.FMOD_System_Create(&appState.audioSystem);
    f.FMOD_System_Init(appState.audioSystem, 1, 0, nullptr);
}

void releaseAudio() {
    const AudioFunctions& f = appState.audio;
    if (f.FMOD_Sound_Release) f.FMOD_Sound_Release(appState.audioSound);
    if (f.FMOD_System_Close) f.FMOD_System_Close(appState.audioSystem);
    if (f.FMOD_System_Release) f.FMOD_System_Release(appState.audioSystem);
    appState.audioSound = nullptr;
    appState.audioChannel = nullptr;
    appState.audioSystem = nullptr;
}
