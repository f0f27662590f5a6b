#include "midi_decoder.h"

#include <fluidsynth.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "platform/mci/midi_file.h"
#include "platform/os/bind_function.h"

namespace kaudio {
namespace {

constexpr long kMaxMidiBytes = 16 << 20;
// The synthesiser holds every event in memory (some 50 bytes each) and
// plays all those due at once in one go: a song holds a few tens of
// thousands, a hostile file millions (seconds of work, hundreds of MB).
constexpr size_t kMaxMidiEvents = 100000;
// Notes still ringing when the song's last event has played.
constexpr long kTailFrames = kOutputRate / 2;

std::string findSoundFont() {
    if (const char* env = std::getenv("KESTREL_AUDIO_SOUNDFONT"); env && *env) return env;
    for (const char* path : {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
                             "/usr/share/sounds/sf2/FluidR3_GM.sf2"}) {
        struct stat st {};
        if (::stat(path, &st) == 0 && S_ISREG(st.st_mode)) return path;
    }
    return {};
}

// FluidSynth and the many libraries under it are loaded at the first MIDI
// file, not with this library: most listening never needs them.
// clang-format off
#define KAUDIO_FLUID_FUNCTIONS(X)                                                                     \
    X(new_fluid_settings) X(delete_fluid_settings) X(fluid_settings_setint) X(fluid_settings_setnum)  \
    X(fluid_settings_setstr) X(new_fluid_synth) X(delete_fluid_synth) X(fluid_synth_sfload)           \
    X(fluid_synth_system_reset) X(fluid_synth_write_float) X(new_fluid_player)                        \
    X(delete_fluid_player) X(fluid_player_add_mem) X(fluid_player_play) X(fluid_player_stop)          \
    X(fluid_player_get_status) X(fluid_player_get_total_ticks) X(fluid_player_get_current_tick)       \
    X(fluid_set_log_function)
// clang-format on

struct FluidApi {
    KAUDIO_FLUID_FUNCTIONS(OS_API_SLOT)
};

// Any thread; null when FluidSynth cannot be loaded. Loaded once, never
// unloaded.
const FluidApi* fluidApi() {
    static const FluidApi* api =
        os::openApi<FluidApi>({"libfluidsynth.so.3", "libfluidsynth.so"}, [](void* handle, FluidApi& api) {
            bool all = true;
            KAUDIO_FLUID_FUNCTIONS(OS_API_BIND)
            if (!all) return false;
            for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
                api.fluid_set_log_function(level, nullptr, nullptr);
            return true;
        });
    return api;
}

class MidiDecoder final : public Decoder {
  public:
    MidiDecoder(std::string path, const std::atomic<bool>& abort) : path_(std::move(path)), abort_(abort) {}

    ~MidiDecoder() override {
        if (!fs_) return;
        if (player_) {
            fs_->fluid_player_stop(player_);
            fs_->delete_fluid_player(player_);
        }
        if (synth_) fs_->delete_fluid_synth(synth_);
        if (settings_) fs_->delete_fluid_settings(settings_);
    }

    Status open(Clock::time_point) override {
        std::ifstream in(path_, std::ios::binary);
        if (!in) return Status::fail(KESTREL_AUDIO_ERR_FILE_NOT_FOUND, "cannot read " + path_);
        song_.resize(kMaxMidiBytes + 1);
        in.read(song_.data(), static_cast<std::streamsize>(song_.size()));
        song_.resize(static_cast<size_t>(in.gcount()));
        if (song_.size() > static_cast<size_t>(kMaxMidiBytes) || !wellFormedMidi(song_))
            return Status::fail(KESTREL_AUDIO_ERR_FORMAT, "not a MIDI file");
        // The synthesiser is lenient: a damaged track plays as silence. Its
        // events are checked here first, before it is even loaded. A file
        // cut short at its end (a download that broke off) is left to it.
        const mci::MidiReadResult read =
            mci::readMidiFile({reinterpret_cast<const uint8_t*>(song_.data()), song_.size()});
        if (!read.summary && read.error.offset < song_.size())
            return Status::fail(KESTREL_AUDIO_ERR_FORMAT, "damaged MIDI file: " + read.error.what);
        if (read.eventCount > kMaxMidiEvents)
            return Status::fail(KESTREL_AUDIO_ERR_UNSUPPORTED, "too many MIDI events");
        if (read.summary)
            lengthMs_ = static_cast<unsigned>(std::min<uint64_t>(read.summary->durationMs, UINT32_MAX));
        fs_ = fluidApi();
        if (!fs_) return Status::fail(KESTREL_AUDIO_ERR_UNSUPPORTED, "FluidSynth cannot be loaded");
        std::string font = findSoundFont();
        if (font.empty()) return Status::fail(KESTREL_AUDIO_ERR_UNSUPPORTED, "no General MIDI sound font");

        settings_ = fs_->new_fluid_settings();
        if (!settings_) return Status::fail(KESTREL_AUDIO_ERR_MEMORY, "fluid settings");
        fs_->fluid_settings_setnum(settings_, "synth.sample-rate", kOutputRate);
        fs_->fluid_settings_setint(settings_, "synth.lock-memory", 0);
        fs_->fluid_settings_setnum(settings_, "synth.gain", 0.5);
        fs_->fluid_settings_setint(settings_, "synth.cpu-cores", 1);
        fs_->fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
        fs_->fluid_settings_setstr(settings_, "player.timing-source", "sample");
        synth_ = fs_->new_fluid_synth(settings_);
        if (!synth_) return Status::fail(KESTREL_AUDIO_ERR_MEMORY, "fluid synth");
        if (fs_->fluid_synth_sfload(synth_, font.c_str(), 1) == FLUID_FAILED)
            return Status::fail(KESTREL_AUDIO_ERR_UNSUPPORTED, "cannot load " + font);
        if (!startPlayer()) return Status::fail(KESTREL_AUDIO_ERR_FORMAT, "MIDI player");
        return Status::success();
    }

    long read(float* out, long maxFrames) override {
        if (songOver()) {
            if (tailLeft_ <= 0) return 0;
            maxFrames = std::min(maxFrames, tailLeft_);
            tailLeft_ -= maxFrames;
        }
        if (fs_->fluid_synth_write_float(synth_, static_cast<int>(maxFrames), out, 0, 2, out, 1, 2) !=
            FLUID_OK)
            return -1;
        return maxFrames;
    }

    bool seekable() const override { return true; }
    unsigned lengthMs() const override { return lengthMs_; }

    // The player's clock runs on rendered samples, so a seek restarts the
    // song and renders silently up to the target.
    bool seek(unsigned ms) override {
        fs_->fluid_player_stop(player_);
        fs_->delete_fluid_player(player_);
        player_ = nullptr;
        fs_->fluid_synth_system_reset(synth_);
        if (!startPlayer()) return false;
        long frames = static_cast<long>(static_cast<long long>(ms) * kOutputRate / 1000);
        std::vector<float> scratch(4096 * 2);
        while (frames > 0 && !songOver() && !abort_.load(std::memory_order_relaxed)) {
            long n = std::min<long>(frames, 4096);
            fs_->fluid_synth_write_float(synth_, static_cast<int>(n), scratch.data(), 0, 2, scratch.data(), 1,
                                         2);
            frames -= n;
        }
        return true;
    }

  private:
    // The player lingers for seconds after the last event; the song is over
    // when its last tick has passed.
    bool songOver() {
        if (fs_->fluid_player_get_status(player_) != FLUID_PLAYER_PLAYING) return true;
        int total = fs_->fluid_player_get_total_ticks(player_);
        return total > 0 && fs_->fluid_player_get_current_tick(player_) >= total;
    }

    bool startPlayer() {
        tailLeft_ = kTailFrames;
        player_ = fs_->new_fluid_player(synth_);
        if (!player_) return false;
        if (fs_->fluid_player_add_mem(player_, song_.data(), song_.size()) != FLUID_OK) return false;
        return fs_->fluid_player_play(player_) == FLUID_OK;
    }

    const std::string path_;
    const std::atomic<bool>& abort_;
    const FluidApi* fs_ = nullptr;
    std::string song_;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    fluid_player_t* player_ = nullptr;
    long tailLeft_ = kTailFrames;
    unsigned lengthMs_ = 0;
};

}  // namespace

bool looksLikeMidi(const unsigned char* head, size_t size) {
    return size >= 4 && std::memcmp(head, "MThd", 4) == 0;
}

bool wellFormedMidi(const std::string& song) {
    auto be32 = [&](size_t at) {
        const auto* p = reinterpret_cast<const unsigned char*>(song.data()) + at;
        return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
    };
    if (song.size() < 22 || song.compare(0, 4, "MThd") != 0) return false;
    uint32_t headerLength = be32(4);
    if (headerLength < 6 || headerLength > song.size() - 8) return false;
    unsigned tracks = static_cast<unsigned char>(song[10]) << 8 | static_cast<unsigned char>(song[11]);
    size_t first = 8 + headerLength;
    return tracks >= 1 && first + 8 <= song.size() && song.compare(first, 4, "MTrk") == 0;
}

std::unique_ptr<Decoder> makeMidiDecoder(std::string path, const std::atomic<bool>& abort) {
    return std::make_unique<MidiDecoder>(std::move(path), abort);
}

}  // namespace kaudio
