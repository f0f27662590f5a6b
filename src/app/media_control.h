// The desktop's media controls (media keys, widgets, playerctl) over MPRIS.
#pragma once

// Joins the session bus once MainWindow exists. Without a bus the player
// runs on as before. UI thread.
void startMediaControl();
// Leaves the bus. UI thread.
void stopMediaControl();
