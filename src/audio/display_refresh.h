// The 35 ms redraw of the status strip, spectrum bands, time, volume,
// connection indicator and position bar, from AppState alone (no audio
// call). UI thread, from the refresh timer; never blocks.
//
// A picture is drawn only when what it shows changes (a band's height, the
// time's text, ...) or its control was made anew; the screen is given only
// those whose pixels changed.
#pragma once

#include <cstdint>
#include <string>

void refreshDisplay();

// The arithmetic of the pictures, for their tests.
// Band height in pixels: value x 200 rounded half to even (never negative).
int32_t bandHeight(float value);
// One band's picture on SpectrumBarImage: black, the bar from the bottom,
// its top h / 6 rows bright; clipped to the 1 x 15 picture.
void drawSpectrumBand(float value);
// "m:ss" of a position; the minutes never wrap ("62:05" after an hour).
std::string timeText(uint32_t positionMs);
// Red width of the position bar for a length of at least 1 second.
int32_t positionFill(uint32_t positionMs, int32_t trackLengthSeconds);
