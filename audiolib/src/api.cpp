// The 14 exported functions and our two exports: handle checking around
// the system, mixer and streams. Handles are serial numbers dressed as pointers and never reused,
// so a stale handle can only miss, never reach a newer object.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "audio_system.h"
#include "kestrel_audio.h"

#define KESTREL_EXPORT extern "C" __attribute__((visibility("default")))

namespace kaudio {
namespace {

enum Kind : uintptr_t { kSystem = 1, kSound = 2, kChannel = 3 };

struct SoundEntry {
    std::shared_ptr<Stream> stream;
    uintptr_t system;
};
struct ChannelEntry {
    uintptr_t system;
    uint64_t id;
};

// Guarded by `mutex`; never held while a stream opens or stops.
struct Registry {
    std::mutex mutex;
    uintptr_t next = 1;
    std::map<uintptr_t, std::shared_ptr<AudioSystem>> systems;
    std::map<uintptr_t, SoundEntry> sounds;
    std::map<uintptr_t, ChannelEntry> channels;

    uintptr_t issue(Kind kind) { return (next++ << 4) | kind; }
};

Registry& registry() {
    static Registry* r = new Registry;  // lives to process exit: no destructor-order games
    return *r;
}

std::shared_ptr<AudioSystem> findSystem(const void* handle) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.systems.find(reinterpret_cast<uintptr_t>(handle));
    return it == r.systems.end() ? nullptr : it->second;
}

// The system and channel id behind a channel handle; null if it is gone.
std::shared_ptr<AudioSystem> findChannel(const void* handle, uint64_t* id) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.channels.find(reinterpret_cast<uintptr_t>(handle));
    if (it == r.channels.end()) return nullptr;
    auto sys = r.systems.find(it->second.system);
    if (sys == r.systems.end()) return nullptr;
    *id = it->second.id;
    return sys->second;
}

// Stops and forgets the sounds of one system (all when `system` is 0).
void dropSounds(uintptr_t system) {
    std::vector<std::shared_ptr<Stream>> doomed;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        for (auto it = r.sounds.begin(); it != r.sounds.end();) {
            if (system == 0 || it->second.system == system) {
                doomed.push_back(std::move(it->second.stream));
                it = r.sounds.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& s : doomed) s->stop();
}

// No exception may cross the C boundary: running out of memory or threads
// inside a call fails that call.
int failedInside() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return KESTREL_AUDIO_ERR_MEMORY;
    } catch (...) {
        return KESTREL_AUDIO_ERR_OUTPUT;
    }
}

}  // namespace
}  // namespace kaudio

using namespace kaudio;

KESTREL_EXPORT int FMOD_System_Create(FMOD_SYSTEM** system) {
    try {
        if (!system) return KESTREL_AUDIO_ERR_INVALID_PARAM;
        *system = nullptr;
        auto sys = std::make_shared<AudioSystem>();
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        uintptr_t h = r.issue(kSystem);
        r.systems.emplace(h, std::move(sys));
        *system = reinterpret_cast<FMOD_SYSTEM*>(h);
        return KESTREL_AUDIO_OK;
    } catch (...) {
        return failedInside();
    }
}

KESTREL_EXPORT int FMOD_System_Init(FMOD_SYSTEM* system, int maxChannels, unsigned int, void*) {
    try {
        auto sys = findSystem(system);
        if (!sys) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
        if (maxChannels < 1) return KESTREL_AUDIO_ERR_INVALID_PARAM;
        if (sys->closed) return KESTREL_AUDIO_ERR_UNINITIALIZED;
        if (sys->output) return KESTREL_AUDIO_OK;
        return openOutput(sys->mixer, &sys->output).code;
    } catch (...) {
        return failedInside();
    }
}

KESTREL_EXPORT int FMOD_System_CreateStream(FMOD_SYSTEM* system, const char* name, unsigned int, void*,
                                            FMOD_SOUND** sound) {
    try {
        if (!sound) return KESTREL_AUDIO_ERR_INVALID_PARAM;
        *sound = nullptr;
        auto sys = findSystem(system);
        if (!sys) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
        if (sys->closed) return KESTREL_AUDIO_ERR_UNINITIALIZED;
        if (!name || !*name) return KESTREL_AUDIO_ERR_INVALID_PARAM;
        auto stream = std::make_shared<Stream>(name);
        Status opened = stream->open();
        if (!opened.ok()) return opened.code;
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        uintptr_t h = r.issue(kSound);
        r.sounds.emplace(h, SoundEntry{std::move(stream), reinterpret_cast<uintptr_t>(system)});
        *sound = reinterpret_cast<FMOD_SOUND*>(h);
        return KESTREL_AUDIO_OK;
    } catch (...) {
        return failedInside();
    }
}

KESTREL_EXPORT int FMOD_System_PlaySound(FMOD_SYSTEM* system, int channelIndex, FMOD_SOUND* sound, int paused,
                                         FMOD_CHANNEL** channel) {
    try {
        if (channel) *channel = nullptr;
        auto sys = findSystem(system);
        if (!sys) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
        if (!sys->output) return KESTREL_AUDIO_ERR_UNINITIALIZED;
        if (channelIndex != 0 && channelIndex != -1) return KESTREL_AUDIO_ERR_INVALID_PARAM;
        std::shared_ptr<Stream> stream;
        Registry& r = registry();
        {
            std::lock_guard lock(r.mutex);
            auto it = r.sounds.find(reinterpret_cast<uintptr_t>(sound));
            if (it != r.sounds.end() && it->second.system == reinterpret_cast<uintptr_t>(system))
                stream = it->second.stream;
        }
        if (!stream) {
            // Playing nothing still replaces what played: after a failed open
            // the channel must not go on with the previous sound.
            std::shared_ptr<Stream> old = sys->mixer.clear();
            return KESTREL_AUDIO_ERR_INVALID_HANDLE;
        }
        uint64_t id = sys->mixer.play(std::move(stream), paused != 0);
        sys->output->kick();
        std::lock_guard lock(r.mutex);
        std::erase_if(r.channels,
                      [&](const auto& c) { return c.second.system == reinterpret_cast<uintptr_t>(system); });
        uintptr_t h = r.issue(kChannel);
        r.channels.emplace(h, ChannelEntry{reinterpret_cast<uintptr_t>(system), id});
        if (channel) *channel = reinterpret_cast<FMOD_CHANNEL*>(h);
        return KESTREL_AUDIO_OK;
    } catch (...) {
        return failedInside();
    }
}

KESTREL_EXPORT int FMOD_Channel_SetVolume(FMOD_CHANNEL* channel, float volume) {
    uint64_t id = 0;
    auto sys = findChannel(channel, &id);
    return sys ? sys->mixer.setVolume(id, volume) : KESTREL_AUDIO_ERR_INVALID_HANDLE;
}

KESTREL_EXPORT int FMOD_Channel_GetVolume(FMOD_CHANNEL* channel, float* volume) {
    if (!volume) return KESTREL_AUDIO_ERR_INVALID_PARAM;
    uint64_t id = 0;
    auto sys = findChannel(channel, &id);
    return sys ? sys->mixer.getVolume(id, volume) : KESTREL_AUDIO_ERR_INVALID_HANDLE;
}

KESTREL_EXPORT int FMOD_Channel_GetSpectrum(FMOD_CHANNEL* channel, float* spectrum, int numValues,
                                            int channelOffset, int windowType) {
    if (!spectrum || numValues < 1 || numValues > kSpectrumBins || channelOffset < 0 || windowType != 0)
        return KESTREL_AUDIO_ERR_INVALID_PARAM;
    uint64_t id = 0;
    auto sys = findChannel(channel, &id);
    if (!sys) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
    float samples[kSpectrumSize];
    int code = sys->mixer.latestSamples(id, samples);
    if (code != KESTREL_AUDIO_OK) return code;
    sys->spectrum.compute(samples, spectrum, numValues);
    return KESTREL_AUDIO_OK;
}

KESTREL_EXPORT int FMOD_Channel_GetPosition(FMOD_CHANNEL* channel, unsigned int* position,
                                            unsigned int timeUnit) {
    if (!position || timeUnit != KESTREL_AUDIO_TIMEUNIT_MS) return KESTREL_AUDIO_ERR_INVALID_PARAM;
    uint64_t id = 0;
    auto sys = findChannel(channel, &id);
    return sys ? sys->mixer.position(id, position) : KESTREL_AUDIO_ERR_INVALID_HANDLE;
}

KESTREL_EXPORT int FMOD_Channel_SetPosition(FMOD_CHANNEL* channel, unsigned int position,
                                            unsigned int timeUnit) {
    if (timeUnit != KESTREL_AUDIO_TIMEUNIT_MS) return KESTREL_AUDIO_ERR_INVALID_PARAM;
    uint64_t id = 0;
    auto sys = findChannel(channel, &id);
    return sys ? sys->mixer.seek(id, position) : KESTREL_AUDIO_ERR_INVALID_HANDLE;
}

KESTREL_EXPORT int FMOD_Channel_IsPlaying(FMOD_CHANNEL* channel, int* isPlaying) {
    if (!isPlaying) return KESTREL_AUDIO_ERR_INVALID_PARAM;
    *isPlaying = 0;
    uint64_t id = 0;
    auto sys = findChannel(channel, &id);
    if (!sys) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
    bool playing = false;
    int code = sys->mixer.isPlaying(id, &playing);
    *isPlaying = playing ? 1 : 0;
    return code;
}

KESTREL_EXPORT int FMOD_Channel_SetPaused(FMOD_CHANNEL* channel, int paused) {
    uint64_t id = 0;
    auto sys = findChannel(channel, &id);
    if (!sys) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
    int result = sys->mixer.setPaused(id, paused != 0);
    if (result == KESTREL_AUDIO_OK && !paused && sys->output) sys->output->resume();
    return result;
}

KESTREL_EXPORT int FMOD_Sound_Release(FMOD_SOUND* sound) {
    try {
        SoundEntry entry;
        std::shared_ptr<AudioSystem> sys;
        {
            Registry& r = registry();
            std::lock_guard lock(r.mutex);
            auto it = r.sounds.find(reinterpret_cast<uintptr_t>(sound));
            if (it == r.sounds.end()) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
            entry = std::move(it->second);
            r.sounds.erase(it);
            auto s = r.systems.find(entry.system);
            if (s != r.systems.end()) sys = s->second;
        }
        std::shared_ptr<Stream> onChannel;
        if (sys) onChannel = sys->mixer.clearIf(entry.stream.get());
        entry.stream->stop();
        return KESTREL_AUDIO_OK;
    } catch (...) {
        return failedInside();
    }
}

KESTREL_EXPORT int FMOD_System_Close(FMOD_SYSTEM* system) {
    try {
        auto sys = findSystem(system);
        if (!sys) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
        sys->output.reset();
        sys->closed = true;
        std::shared_ptr<Stream> old = sys->mixer.clear();
        dropSounds(reinterpret_cast<uintptr_t>(system));
        old.reset();
        // The decoder threads leave their network waits within about 100 ms;
        // wait for them (boundedly) so that none runs on into process exit.
        Stream::waitForAllThreads(std::chrono::milliseconds(2000));
        return KESTREL_AUDIO_OK;
    } catch (...) {
        return failedInside();
    }
}

KESTREL_EXPORT int FMOD_System_Release(FMOD_SYSTEM* system) {
    auto sys = findSystem(system);
    if (!sys) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
    FMOD_System_Close(system);
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.systems.erase(reinterpret_cast<uintptr_t>(system));
    std::erase_if(r.channels,
                  [&](const auto& c) { return c.second.system == reinterpret_cast<uintptr_t>(system); });
    return KESTREL_AUDIO_OK;
}

KESTREL_EXPORT int KESTREL_System_GetOutput(FMOD_SYSTEM* system, int* output) {
    if (!output) return KESTREL_AUDIO_ERR_INVALID_PARAM;
    *output = KESTREL_AUDIO_OUTPUT_UNKNOWN;
    auto sys = findSystem(system);
    if (!sys) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
    if (!sys->output) return KESTREL_AUDIO_ERR_UNINITIALIZED;
    *output = sys->output->kind();
    return KESTREL_AUDIO_OK;
}

KESTREL_EXPORT int KESTREL_Channel_GetTitle(FMOD_CHANNEL* channel, char* title, int size) {
    if (!title || size < 1) return KESTREL_AUDIO_ERR_INVALID_PARAM;
    title[0] = '\0';
    try {
        uint64_t id = 0;
        auto sys = findChannel(channel, &id);
        if (!sys) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
        std::shared_ptr<Stream> stream = sys->mixer.streamOf(id);
        if (!stream) return KESTREL_AUDIO_ERR_INVALID_HANDLE;
        std::string text = stream->title();
        size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
        while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
        std::memcpy(title, text.data(), n);
        title[n] = '\0';
        return KESTREL_AUDIO_OK;
    } catch (...) {
        return failedInside();
    }
}
