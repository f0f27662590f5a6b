// The 35 ms redraw of the status strip, spectrum bands, time, volume,
// connection indicator and position bar, from AppState alone.
#pragma once

void refreshDisplay();
