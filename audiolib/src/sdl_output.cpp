// The sound device, through SDL2's audio callback.
#include <SDL.h>

#include "output.h"
#include "platform/os/bind_function.h"

namespace kaudio {
namespace {

constexpr int kDeviceFrames = 2048;

// SDL2 is loaded when a device is first opened, not with this library: it
// and the sound, display and codec libraries under it are some 45 a player
// with nothing playing does not need.
// clang-format off
#define KAUDIO_SDL_FUNCTIONS(X) \
    X(SDL_SetHint) X(SDL_InitSubSystem) X(SDL_QuitSubSystem) X(SDL_GetError) X(SDL_OpenAudioDevice) \
    X(SDL_PauseAudioDevice) X(SDL_CloseAudioDevice)
// clang-format on

struct SdlApi {
    KAUDIO_SDL_FUNCTIONS(OS_API_SLOT)
};

// Any thread; null when SDL2 cannot be loaded. Loaded once, never unloaded.
const SdlApi* sdlApi() {
    static const SdlApi* api = os::openApi<SdlApi>({"libSDL2-2.0.so.0"}, [](void* handle, SdlApi& api) {
        bool all = true;
        KAUDIO_SDL_FUNCTIONS(OS_API_BIND)
        return all;
    });
    return api;
}

class SdlOutput final : public Output {
  public:
    explicit SdlOutput(Mixer& mixer) : mixer_(mixer) {}

    ~SdlOutput() override {
        if (device_) sdl_->SDL_CloseAudioDevice(device_);  // waits for a running callback
        if (initialised_) sdl_->SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    Status start() {
        if (!sdl_) return Status::fail(KESTREL_AUDIO_ERR_OUTPUT, "SDL2 cannot be loaded");
        // SIGINT and SIGTERM belong to the program that loads us, not to SDL.
        sdl_->SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (sdl_->SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return Status::fail(KESTREL_AUDIO_ERR_OUTPUT, sdl_->SDL_GetError());
        initialised_ = true;
        SDL_AudioSpec want{};
        want.freq = kOutputRate;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = kDeviceFrames;
        want.callback = &SdlOutput::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        device_ = sdl_->SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0) return Status::fail(KESTREL_AUDIO_ERR_OUTPUT, sdl_->SDL_GetError());
        // The buffer being filled plays after the one the device is playing.
        mixer_.setLatency(2 * static_cast<size_t>(have.samples));
        sdl_->SDL_PauseAudioDevice(device_, 0);
        return Status::success();
    }

    int kind() const override { return KESTREL_AUDIO_OUTPUT_DEVICE; }

  private:
    // SDL's audio thread: a copy out of the mixer, nothing more.
    static void callback(void* self, Uint8* stream, int bytes) {
        static_cast<SdlOutput*>(self)->mixer_.render(reinterpret_cast<float*>(stream),
                                                     static_cast<size_t>(bytes) / (2 * sizeof(float)));
    }

    const SdlApi* const sdl_ = sdlApi();
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
