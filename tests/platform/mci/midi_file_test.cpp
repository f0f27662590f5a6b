// The Standard MIDI File reader's length, on files the tests write.
#include "platform/mci/midi_file.h"

#include <gtest/gtest.h>

#include "support/midi_fixture.h"

using namespace midi_test;

namespace {

mci::MidiReadResult read(const std::string& bytes) {
    return mci::readMidiFile({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
}

uint64_t lengthOf(const std::string& bytes) {
    auto r = read(bytes);
    EXPECT_TRUE(r.summary) << r.error.what << " at " << r.error.offset;
    return r.summary ? r.summary->durationMs : 0;
}

}  // namespace

TEST(MidiFile, LengthFollowsTempoChangesOfTheTempoTrack) {
    // 480 ticks per quarter: 960 ticks at 120 bpm (1 s), then 480 ticks at 60 bpm (1 s).
    const std::string tempoTrack = tempo(0, 500000) + tempo(960, 1000000) + endOfTrack(0);
    const std::string notes = noteOn(0, 60) + noteOn(1440, 62) + endOfTrack(0);
    EXPECT_EQ(lengthOf(file(1, 480, {tempoTrack, notes})), 2000u);
    // Without any tempo event: 120 bpm.
    EXPECT_EQ(lengthOf(file(0, 96, {noteOn(0, 60) + endOfTrack(192)})), 1000u);
    // The longest track decides.
    EXPECT_EQ(lengthOf(file(1, 96, {endOfTrack(96), endOfTrack(480)})), 2500u);
    EXPECT_EQ(lengthOf(lastingMs(245999)), 245999u);
}

TEST(MidiFile, RunningStatusSysexAndSmpteTime) {
    // Running status: the second note has no status byte.
    std::string running = noteOn(0, 60) + event(96, "\x3E\x40") +
                          event(0, std::string("\xF0\x03\x01\x02\xF7", 5)) + event(0, "\xC0\x05") +
                          endOfTrack(96);
    EXPECT_EQ(lengthOf(file(0, 96, {running})), 1000u);
    // 25 frames per second, 40 ticks per frame: 1000 ticks per second.
    const uint16_t smpte = static_cast<uint16_t>((0x100 - 25) << 8 | 40);
    EXPECT_EQ(lengthOf(file(0, smpte, {endOfTrack(3000)})), 3000u);
}

TEST(MidiFile, DamagedFilesFailWithAnOffsetAndTruncatedChunksReadWhatIsThere) {
    EXPECT_FALSE(read("RIFF....").summary);
    EXPECT_FALSE(read(file(3, 96, {endOfTrack(0)})).summary);   // unknown format
    EXPECT_FALSE(read(file(0, 0, {endOfTrack(0)})).summary);    // zero division
    auto noStatus = read(file(0, 96, {event(0, "\x3C\x40")}));  // data byte first
    ASSERT_FALSE(noStatus.summary);
    EXPECT_EQ(noStatus.error.offset, 23u);  // after the header, the chunk head and the delta
    EXPECT_FALSE(read(file(0, 96, {event(0, "\xF3\x01")})).summary);  // a real-time status in a file
    EXPECT_FALSE(read(file(0, 96, {std::string("\x81\x82\x83\x84\x05", 5)})).summary);  // delta of five bytes
    // The chunk claims more than the file has: its events up to the end still count.
    std::string cut = file(0, 96, {noteOn(0, 60) + noteOn(192, 61) + endOfTrack(96)});
    cut.resize(cut.size() - 4);  // end of track gone
    EXPECT_EQ(lengthOf(cut), 1000u);
    std::string cutInside = file(0, 96, {noteOn(0, 60) + noteOn(192, 61)});
    cutInside.resize(cutInside.size() - 1);  // the note's last data byte gone
    EXPECT_FALSE(read(cutInside).summary);
}
