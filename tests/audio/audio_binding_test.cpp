// The carried audio library: mapped from the program's data without a file,
// its 14 names bound; and the silent program when it cannot be had.
#include "audio/audio_binding.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/gui/gui_testing.h"
#include "platform/loader/loader.h"
#include "platform/loader/packed_image.h"
#include "state/app_state.h"
#include "support/process_maps.h"

namespace {

std::vector<void*> boundEntries() {
    const AudioFunctions& f = appState.audio;
    return {reinterpret_cast<void*>(f.FMOD_System_CreateStream),
            reinterpret_cast<void*>(f.FMOD_System_PlaySound),
            reinterpret_cast<void*>(f.FMOD_Channel_SetVolume),
            reinterpret_cast<void*>(f.FMOD_Channel_GetVolume),
            reinterpret_cast<void*>(f.FMOD_System_Create),
            reinterpret_cast<void*>(f.FMOD_System_Init),
            reinterpret_cast<void*>(f.FMOD_Channel_GetSpectrum),
            reinterpret_cast<void*>(f.FMOD_Channel_GetPosition),
            reinterpret_cast<void*>(f.FMOD_Channel_SetPosition),
            reinterpret_cast<void*>(f.FMOD_Channel_IsPlaying),
            reinterpret_cast<void*>(f.FMOD_Channel_SetPaused),
            reinterpret_cast<void*>(f.FMOD_Sound_Release),
            reinterpret_cast<void*>(f.FMOD_System_Close),
            reinterpret_cast<void*>(f.FMOD_System_Release)};
}

}  // namespace

TEST(AudioBinding, TheCarriedLibraryIsMappedFromMemoryAndBound) {
    resetAppState();
    gui::setMessageBoxResponder([](const gui::MessageBoxInfo&) {});
    gui::clearShownMessageBoxes();
    MappedModule* module = loadAudioModule();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(appState.audioModule, module);
    bindAudioLibrary();
    for (void* entry : boundEntries()) {
        ASSERT_NE(entry, nullptr);
        // Code of the library comes from a memory file, not from a file on disk.
        EXPECT_NE(testsupport::mapsLineOf(entry).find("/memfd:kestrel-audio"), std::string::npos)
            << testsupport::mapsLineOf(entry);
    }
    EXPECT_TRUE(gui::shownMessageBoxes().empty());

    // The library works: a system is created, and released without a sound.
    initAudioSystem();
    EXPECT_NE(appState.audioSystem, nullptr);
    releaseAudio();
    EXPECT_EQ(appState.audioSystem, nullptr);
}

// With no library and with a library missing names, the user is told once,
// every entry stays empty and the audio operations do nothing.
TEST(AudioBinding, WithoutALibraryTheProgramIsSilentAndTellsOnce) {
    resetAppState();
    gui::setMessageBoxResponder([](const gui::MessageBoxInfo&) {});
    gui::clearShownMessageBoxes();
    // A library that exports none of the names.
    std::ifstream in(KESTREL_TEST_LIBRARY, std::ios::binary);
    std::vector<uint8_t> other{std::istreambuf_iterator<char>(in), {}};
    appState.audioModule = mapModule(loader::packImage(other));
    ASSERT_NE(appState.audioModule, nullptr);
    bindAudioLibrary();
    for (void* entry : boundEntries()) EXPECT_EQ(entry, nullptr);
    bindAudioLibrary();
    appState.audioModule = nullptr;
    bindAudioLibrary();
    initAudioSystem();
    releaseAudio();
    const auto boxes = gui::shownMessageBoxes();
    ASSERT_LE(boxes.size(), 1u);  // none if an earlier test already told
    if (!boxes.empty()) {
        EXPECT_EQ(boxes[0].caption, "Внимание !");
        EXPECT_EQ(boxes[0].icon, gui::Icon::Warning);
    }
    EXPECT_EQ(appState.audioSystem, nullptr);
}
