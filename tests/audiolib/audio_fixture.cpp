#include "audio_fixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <thread>

#include "support/temp_dir.h"

namespace audiotest {
namespace fs = std::filesystem;

namespace {

fs::path makeFixtureFolder() {
    std::string pattern = (fs::temp_directory_path() / "kestrel-audio-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    testsupport::removeAtExit(pattern);
    return pattern;
}

std::string key(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

uint32_t le32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

const fs::path& fixtureDir() {
    static const fs::path folder = makeFixtureFolder();
    return folder;
}

void sh(const std::string& command) {
    int status = std::system((command + " >/dev/null 2>&1").c_str());
    ASSERT_EQ(status, 0) << command;
}

std::string toneWav(double hz, double seconds, double amplitude) {
    fs::path out = fixtureDir() / ("tone_" + key(hz) + "_" + key(seconds) + "_" + key(amplitude) + ".wav");
    if (!fs::exists(out))
        sh("sox -n -r 44100 -c 2 -b 16 " + out.string() + " synth " + key(seconds) + " sine " + key(hz) +
           " vol " +
           // sox drops "vol 1" as a no-op and then synthesises at -3 dB.
           key(std::min(amplitude, 0.9999)));
    return out.string();
}

std::string toneMp3(double hz, double seconds, const std::string& mode) {
    fs::path out = fixtureDir() / ("tone_" + key(hz) + "_" + key(seconds) + "_" + mode + ".mp3");
    if (!fs::exists(out)) {
        std::string options = mode == "vbr" ? "-V 4" : "--cbr -b 128";
        sh("lame --quiet " + options + " " + toneWav(hz, seconds, 0.5) + " " + out.string());
    }
    return out.string();
}

std::string midiFile(double seconds) {
    fs::path out = fixtureDir() / ("note_" + key(seconds) + ".mid");
    if (fs::exists(out)) return out.string();
    // Format 0, one track, 480 ticks per quarter note at the default 120
    // beats per minute: 960 ticks a second.
    unsigned ticks = static_cast<unsigned>(seconds * 960);
    std::string track;
    auto varlen = [&](unsigned v) {
        unsigned char bytes[5];
        int n = 0;
        bytes[n++] = v & 0x7F;
        while (v >>= 7) bytes[n++] = static_cast<unsigned char>((v & 0x7F) | 0x80);
        while (n) track += static_cast<char>(bytes[--n]);
    };
    varlen(0);
    track += std::string("\xC0\x00", 2);  // piano
    varlen(0);
    track += "\x90\x45\x64";  // A4 on
    varlen(ticks);
    track += std::string("\x80\x45\x00", 3);
    varlen(0);
    track += std::string("\xFF\x2F\x00", 3);
    std::string file("MThd\0\0\0\6\0\0\0\1\x01\xE0", 14);
    file += "MTrk";
    uint32_t len = static_cast<uint32_t>(track.size());
    for (int i = 3; i >= 0; --i) file += static_cast<char>(len >> (8 * i));
    file += track;
    std::ofstream(out, std::ios::binary) << file;
    return out.string();
}

Wav readWav(const std::string& path) {
    Wav wav;
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 44 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF") return wav;
    size_t at = 12;
    int bits = 0;
    while (at + 8 <= bytes.size()) {
        std::string id(bytes.begin() + at, bytes.begin() + at + 4);
        size_t size = le32(&bytes[at + 4]);
        size_t body = at + 8;
        if (id == "fmt ") {
            wav.channels = le16(&bytes[body + 2]);
            wav.rate = static_cast<int>(le32(&bytes[body + 4]));
            bits = le16(&bytes[body + 14]);
        } else if (id == "data" && bits == 16 && wav.channels > 0) {
            size = std::min(size, bytes.size() - body);
            size_t frames = size / (2 * wav.channels);
            wav.left.resize(frames);
            for (size_t i = 0; i < frames; ++i)
                wav.left[i] = static_cast<int16_t>(le16(&bytes[body + i * 2 * wav.channels])) / 32768.0f;
            break;
        }
        at = body + size + (size & 1);
    }
    return wav;
}

double toneLevel(const Wav& wav, double hz, double from, double length) {
    long start = std::lround(from * wav.rate);
    long count = std::lround(length * wav.rate);
    if (start < 0 || count <= 0 || start + count > static_cast<long>(wav.left.size())) return 0;
    // Goertzel at exactly `hz`.
    double w = 2 * M_PI * hz / wav.rate, coeff = 2 * std::cos(w), s1 = 0, s2 = 0;
    for (long i = 0; i < count; ++i) {
        double s = wav.left[start + i] + coeff * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    return 2 * std::sqrt(std::max(power, 0.0)) / count;
}

double peak(const Wav& wav, double from, double length) {
    long start = std::max(0L, std::lround(from * wav.rate));
    long end = std::min(static_cast<long>(wav.left.size()), std::lround((from + length) * wav.rate));
    double p = 0;
    for (long i = start; i < end; ++i) p = std::max(p, static_cast<double>(std::fabs(wav.left[i])));
    return p;
}

double firstTime(const Wav& wav, double hz, double level, double after) {
    for (double t = after; t + 0.01 <= wav.seconds(); t += 0.005)
        if (toneLevel(wav, hz, t, 0.01) > level) return t;
    return -1;
}

double lastTime(const Wav& wav, double hz, double level) {
    for (double t = wav.seconds() - 0.01; t >= 0; t -= 0.005)
        if (toneLevel(wav, hz, t, 0.01) > level) return t + 0.01;
    return -1;
}

Session::Session() {
    static int serial = 0;
    wavPath_ =
        (fixtureDir() / ("out_" + std::to_string(::getpid()) + "_" + std::to_string(serial++) + ".wav"))
            .string();
    ::setenv("KESTREL_AUDIO_WAV", wavPath_.c_str(), 1);
    EXPECT_EQ(FMOD_System_Create(&system_), KESTREL_AUDIO_OK);
    EXPECT_EQ(FMOD_System_Init(system_, 1, 0, nullptr), KESTREL_AUDIO_OK);
    ::unsetenv("KESTREL_AUDIO_WAV");
}

Session::~Session() {
    FMOD_System_Close(system_);
    FMOD_System_Release(system_);
}

FMOD_SOUND* Session::open(const std::string& name) {
    FMOD_SOUND* sound = nullptr;
    int code = FMOD_System_CreateStream(system_, name.c_str(), KESTREL_AUDIO_MODE_SOFTWARE, nullptr, &sound);
    EXPECT_EQ(code, KESTREL_AUDIO_OK) << name;
    return sound;
}

FMOD_CHANNEL* Session::play(FMOD_SOUND* sound) {
    FMOD_CHANNEL* channel = nullptr;
    EXPECT_EQ(FMOD_System_PlaySound(system_, 0, sound, 0, &channel), KESTREL_AUDIO_OK);
    return channel;
}

bool Session::playing(FMOD_CHANNEL* channel) const {
    int playing = 0;
    FMOD_Channel_IsPlaying(channel, &playing);
    return playing != 0;
}

unsigned Session::position(FMOD_CHANNEL* channel) const {
    unsigned ms = 0;
    FMOD_Channel_GetPosition(channel, &ms, KESTREL_AUDIO_TIMEUNIT_MS);
    return ms;
}

Wav Session::output() const {
    return readWav(wavPath_);
}

double Session::outputSeconds() const {
    std::error_code ec;
    auto size = fs::file_size(wavPath_, ec);
    return ec ? 0 : static_cast<double>(size - 44) / (4 * 44100);
}

}  // namespace audiotest
