// The desktop's media controls (media keys, widgets, playerctl) over MPRIS.
#pragma once

#include "platform/mpris/mpris.h"

// The bus name's suffix: org.mpris.MediaPlayer2.kestrel_player.
inline constexpr const char* kMediaBusSuffix = "kestrel_player";

// Joins the session bus right after the toolkit starts, taking the name (see
// app/single_instance). Without a bus the player runs on as before. UI thread.
mpris::Claim claimMediaControl();
// Once MainWindow shows: the state is published from then on. UI thread.
void startMediaControl();
// A key moved the position: the desktop hears of the jump. UI thread.
void announceSeek(int64_t positionMs);
// Leaves the bus. UI thread.
void stopMediaControl();
