// The media control command strings of the length probe, on files made by
// the tests (sox, lame and the MIDI writer).
#include "platform/mci/mci.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "support/midi_fixture.h"
#include "support/temp_dir.h"

using testsupport::TempDir;

namespace {

std::string statusLength(const std::string& alias, uint32_t* error = nullptr) {
    char buffer[261];
    std::memset(buffer, ' ', 260);
    buffer[260] = '\0';
    uint32_t rc = mci::sendString("status " + alias + " length", buffer, 260);
    // A length still being read (a slow disk, or a loaded machine) comes later.
    for (int i = 0; i < 500 && rc == mci::ErrorNotReady; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        rc = mci::sendString("status " + alias + " length", buffer, 260);
    }
    if (error) *error = rc;
    return buffer;
}

}  // namespace

TEST(Mci, LengthsOfWavMp3AndMidiFiles) {
    TempDir dir;
    const std::string wav = (dir / "tone один.wav").string();
    const std::string mp3 = (dir / "tone.mp3").string();
    ASSERT_EQ(testsupport::run("sox -n -r 44100 -c 1 '" + wav + "' synth 2.5 sine 440"), 0);
    ASSERT_EQ(testsupport::run("lame --quiet -b 128 '" + wav + "' '" + mp3 + "'"), 0);
    testsupport::writeFile(dir / "song.mid", midi_test::lastingMs(4321));

    ASSERT_EQ(mci::sendString("OPEN \"" + wav + "\" Type MPEGVIDEO ALIAS W", nullptr, 0), mci::Ok);
    EXPECT_EQ(statusLength("w"), "2500");  // aliases in any letter case
    ASSERT_EQ(mci::sendString("open \"" + mp3 + "\" type mpegvideo alias M", nullptr, 0), mci::Ok);
    const int mp3Ms = std::stoi(statusLength("M"));
    EXPECT_NEAR(mp3Ms, 2500, 60);  // the encoder's padding
    ASSERT_EQ(
        mci::sendString("open \"" + (dir / "song.mid").string() + "\" type mpegvideo alias S", nullptr, 0),
        mci::Ok);
    EXPECT_EQ(statusLength("S"), "4321");
    for (const char* alias : {"W", "M", "S"})
        EXPECT_EQ(mci::sendString(std::string("close ") + alias, nullptr, 0), mci::Ok);
}

TEST(Mci, PathsMayHoldQuotesAndBlanks) {
    TempDir dir;
    const auto path = (dir / "say \"hi\" now.mid").string();
    testsupport::writeFile(path, midi_test::lastingMs(2000));
    ASSERT_EQ(mci::sendString("OPEN \"" + path + "\" Type MPEGVIDEO ALIAS Q", nullptr, 0), mci::Ok);
    EXPECT_EQ(statusLength("Q"), "2000");
    EXPECT_EQ(mci::sendString("close Q", nullptr, 0), mci::Ok);
}

TEST(Mci, WhatCannotBeOpenedLeavesTheBufferAlone) {
    TempDir dir;
    testsupport::writeFile(dir / "notes.txt", "just some words, not sound at all\n");
    EXPECT_NE(mci::sendString("open \"" + (dir / "missing.mp3").string() + "\" alias X", nullptr, 0),
              mci::Ok);
    // Not media: the open fails, or, when the file took long to read (a
    // loaded machine), the first status does and closes the alias.
    uint32_t rc = mci::sendString("open \"" + (dir / "notes.txt").string() + "\" alias X", nullptr, 0);
    if (rc == mci::Ok) {
        EXPECT_EQ(statusLength("X", &rc), std::string(260, ' '));
        EXPECT_EQ(rc, mci::ErrorFileNotFound);
    }
    EXPECT_EQ(statusLength("X", &rc), std::string(260, ' '));
    EXPECT_EQ(rc, mci::ErrorInvalidDeviceName);
    EXPECT_EQ(mci::sendString("close X", nullptr, 0), mci::ErrorInvalidDeviceName);
    EXPECT_EQ(mci::sendString("", nullptr, 0), mci::ErrorUnrecognizedCommand);
    EXPECT_EQ(mci::sendString("play X", nullptr, 0), mci::ErrorUnrecognizedCommand);

    // No file to read: a FIFO without a writer (whose plain open never
    // returns), a socket and a device are refused at once.
    ASSERT_EQ(::mkfifo((dir / "fifo.mp3").c_str(), 0600), 0);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, (dir / "socket.mp3").c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::filesystem::create_symlink("/dev/zero", dir / "device.mp3");
    for (const char* name : {"fifo.mp3", "socket.mp3", "device.mp3"})
        EXPECT_EQ(mci::sendString("open \"" + (dir / name).string() + "\" alias F", nullptr, 0),
                  mci::ErrorInvalidFile)
            << name;
    ::close(listener);
}

TEST(Mci, AnAliasIsOpenOnceUntilClosedAndShortBuffersAreCut) {
    TempDir dir;
    const auto path = (dir / "a.mid").string();
    testsupport::writeFile(path, midi_test::lastingMs(123456));
    ASSERT_EQ(mci::sendString("open \"" + path + "\" alias D", nullptr, 0), mci::Ok);
    EXPECT_EQ(mci::sendString("open \"" + path + "\" alias D", nullptr, 0), mci::ErrorDuplicateAlias);
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(mci::sendString("status D length", small, 4), mci::Ok);
    EXPECT_STREQ(small, "123");
    EXPECT_EQ(mci::sendString("status D position", small, 4), mci::ErrorUnsupportedFunction);
    EXPECT_EQ(mci::sendString("close all", nullptr, 0), mci::Ok);
    EXPECT_EQ(mci::sendString("open \"" + path + "\" alias D", nullptr, 0), mci::Ok);
    EXPECT_EQ(mci::sendString("close D", nullptr, 0), mci::Ok);
}
