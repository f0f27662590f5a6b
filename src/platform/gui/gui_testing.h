// What tests ask of the windowing stand-in beyond what the program uses:
// real input delivered to controls, what windows, controls, lists and
// images show, and answers to message boxes and the open-file dialog. Built
// into the same library as gui.h; the program's own code includes gui.h only.
//
// Threads: as gui.h, the UI thread; the message-box calls may come from any.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/gui/gui.h"

namespace gui {

// ---- input -----------------------------------------------------------------

// Real toolkit mouse input delivered to a control at (x, y) in its own
// coordinates: Left = press and release, Right = press and release of the
// right button, Double = a full double click (press, release, double, release).
void simulateClick(int control, ControlEventType type, int x, int y);
// Moves the pointer (screen coordinates) and delivers a mouse move.
void simulateMouseMove(Point screen);
// Overrides leftButtonDown() (nullopt-like: pass -1 to clear, 0 or 1 to set).
void simulateLeftButton(int state);

// ---- windows ---------------------------------------------------------------

bool windowExists(int window);
std::string windowTitle(int window);
std::vector<Rect> windowShape(int window);
int windowBackgroundImage(int window);
// How often the window's paint procedure was replaced (once per window).
int windowBackgroundHooks(int window);
// The X11 window id of a top-level window (0 elsewhere), for shape checks.
unsigned long x11WindowId(int window);

// ---- controls --------------------------------------------------------------

// What a control shows, painted by its widget as on screen: 0xAARRGGBB rows
// of its width.
std::vector<uint32_t> controlShownPixels(int control);
void moveControl(int control, int x, int y);
std::string tooltip(int control);

Rgb listRowBackground(int list, int row);  // the list's own background when the row has none
Rgb listRowTextColour(int list, int row);
int listRowIcon(int list, int row);  // the icon image number given to listAddRow
// Screen position of a row's centre (tests click there).
Point listRowCentre(int list, int row);
bool comboDropdownVisible(int combo);

// ---- images and fonts ------------------------------------------------------

Rgb imagePixel(int image, int x, int y);
uint8_t imageAlpha(int image, int x, int y);
std::string fontFamily(int fontId);

// ---- message boxes and dialogs ---------------------------------------------

struct MessageBoxInfo {
    int owner = 0;
    std::string caption;
    std::string text;
    Icon icon = Icon::None;
};

// With a responder set, boxes are not shown; each is recorded and answered
// at once (the responder may block to keep a box "open").
void setMessageBoxResponder(std::function<void(const MessageBoxInfo&)> responder);
std::vector<MessageBoxInfo> shownMessageBoxes();
void clearShownMessageBoxes();

// Answers the open-file dialog without showing it.
void setOpenFileResponder(std::function<std::string()> responder);
// The dialog's filter in the toolkit's form: "description (patterns);;...",
// with "*.*" meaning every file.
std::string toolkitFileFilter(const std::string& filter);

}  // namespace gui
