// The length probe: its command strings, its reading of the answer, and two
// probes in a row on the one alias.
#include "audio/track_length.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/mci/mci.h"
#include "state/app_state.h"
#include "support/midi_fixture.h"
#include "support/temp_dir.h"

namespace {

// Probes and waits for a length that a loaded machine may read late.
void probe(const std::string& path) {
    probeTrackLength(1, path);
    for (int i = 0; i < 500 && trackLengthPending(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        lateTrackLength();
    }
}

}  // namespace

TEST(TrackLength, ReadingTheAnswer) {
    EXPECT_EQ(parseLengthReply("245999"), 245999);
    EXPECT_EQ(parseLengthReply("  \t+42abc"), 42);
    EXPECT_EQ(parseLengthReply("-7"), -7);
    EXPECT_EQ(parseLengthReply("      "), 0);
    EXPECT_EQ(parseLengthReply(""), 0);
    EXPECT_EQ(parseLengthReply("x12"), 0);
    EXPECT_EQ(parseLengthReply("99999999999999999999"), INT32_MAX);
}

TEST(TrackLength, ProbesInARowReuseTheAliasAndTruncateToSeconds) {
    testsupport::TempDir dir;
    testsupport::writeFile(dir / "long.mid", midi_test::lastingMs(245999));
    testsupport::writeFile(dir / "short.mid", midi_test::lastingMs(999));
    testsupport::writeFile(dir / "broken.mp3", "not audio");
    resetAppState();
    probe((dir / "long.mid").string());
    EXPECT_EQ(appState.trackLengthSeconds, 245);
    // The alias was left open by the probe.
    EXPECT_EQ(mci::sendString("status MP3_1 length", nullptr, 0), mci::Ok);
    probe((dir / "short.mid").string());
    EXPECT_EQ(appState.trackLengthSeconds, 0);
    probe((dir / "long.mid").string());
    EXPECT_EQ(appState.trackLengthSeconds, 245);
    // A file that cannot be opened: no answer, 0 seconds, and the old alias is gone.
    probe((dir / "broken.mp3").string());
    EXPECT_EQ(appState.trackLengthSeconds, 0);
    EXPECT_EQ(mci::sendString("status MP3_1 length", nullptr, 0), mci::ErrorInvalidDeviceName);
}
