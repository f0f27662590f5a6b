// One pass's poll of the channel (spectrum, position, playing state) while a
// local file plays: the loop makes it about 100 times a second.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "audio/audio_binding.h"
#include "audio/playback.h"
#include "platform/gui/gui_testing.h"
#include "state/app_state.h"

namespace {

void BM_PollWhilePlaying(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / ("kestrel-poll-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string wav = (dir / "tone.wav").string();
    if (std::system(("sox -n -r 44100 -c 2 '" + wav + "' synth 120 sine 440").c_str()) != 0) {
        state.SkipWithError("sox failed");
        return;
    }
    gui::setMessageBoxResponder([](const gui::MessageBoxInfo&) {});
    resetAppState();
    appState.volume = 0.5f;
    loadAudioModule();
    bindAudioLibrary();
    initAudioSystem();
    startStream(wav);
    if (!appState.audioChannel) {
        state.SkipWithError("the stream did not start");
        return;
    }
    const AudioFunctions& f = appState.audio;
    for (auto _ : state) {
        // pollPlayback's three calls; the advance acts only when stopped.
        f.FMOD_Channel_GetSpectrum(appState.audioChannel, appState.spectrum.data(), 512, 0, 0);
        f.FMOD_Channel_GetPosition(appState.audioChannel, &appState.positionMs, 1);
        f.FMOD_Channel_IsPlaying(appState.audioChannel, &appState.channelPlaying);
    }
    state.counters["playing"] = appState.channelPlaying;
    releaseAudio();
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_PollWhilePlaying)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
