// The sound device, through SDL2's audio callback.
#include <SDL.h>

#include "output.h"

namespace kaudio {
namespace {

constexpr int kDeviceFrames = 2048;

class SdlOutput final : public Output {
  public:
    explicit SdlOutput(Mixer& mixer) : mixer_(mixer) {}

    ~SdlOutput() override {
        if (device_) SDL_CloseAudioDevice(device_);  // waits for a running callback
        if (initialised_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    Status start() {
        // SIGINT and SIGTERM belong to the program that loads us, not to SDL.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return Status::fail(KESTREL_AUDIO_ERR_OUTPUT, SDL_GetError());
        initialised_ = true;
        SDL_AudioSpec want{};
        want.freq = kOutputRate;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = kDeviceFrames;
        want.callback = &SdlOutput::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0) return Status::fail(KESTREL_AUDIO_ERR_OUTPUT, SDL_GetError());
        // The buffer being filled plays after the one the device is playing.
        mixer_.setLatency(2 * static_cast<size_t>(have.samples));
        SDL_PauseAudioDevice(device_, 0);
        return Status::success();
    }

  private:
    // SDL's audio thread: a copy out of the mixer, nothing more.
    static void callback(void* self, Uint8* stream, int bytes) {
        static_cast<SdlOutput*>(self)->mixer_.render(reinterpret_cast<float*>(stream),
                                                     static_cast<size_t>(bytes) / (2 * sizeof(float)));
    }

    Mixer& mixer_;
    bool initialised_ = false;
    SDL_AudioDeviceID device_ = 0;
};

}  // namespace

Status openSdlOutput(Mixer& mixer, std::unique_ptr<Output>* out) {
    auto output = std::make_unique<SdlOutput>(mixer);
    Status started = output->start();
    if (started.ok()) *out = std::move(output);
    return started;
}

}  // namespace kaudio
