// The windowing stand-in: windows, controls, images and fonts addressed by
// fixed numbers, a timed event wait that returns one event per call, and
// drawing on numbered images. Backed by Qt Widgets; no Qt type leaks out.
//
// Threads: every function is for the UI thread (the one that called
// `init`), except `messageBox` and `wake`, which may be called from any
// thread.
// Unknown numbers are ignored: setters do nothing, getters return empty
// values. Text is UTF-8.
//
// Every place, size and number is in skin pixels, whatever the screen's
// density (the device pixel ratio the toolkit gives it: QT_SCALE_FACTOR,
// Xft.dpi and QT_SCREEN_SCALE_FACTORS on X11, the output's scale on Wayland).
// Only drawing follows the density: images, text and the window's outline
// are drawn at the device pixels of the skinned window's screen, and again
// when the window moves to a screen of another density.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace gui {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(Rgb, Rgb) = default;
};

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
    int x = 0, y = 0;
    friend bool operator==(Point, Point) = default;
};

// ---- application -----------------------------------------------------------

// Creates the toolkit application. Returns false when no display can be opened.
bool init(int& argc, char** argv);
// Destroys every window, control, image and font; the toolkit stays usable.
void releaseAll();
bool initialized();
// How the desktop knows the program: the desktop entry's file name (without
// ".desktop"), so that docks and task bars group its windows under the entry,
// and the icon of every window, from PNG bytes.
void setApplicationIdentity(const std::string& desktopFileName, std::span<const uint8_t> iconPng);

// ---- events ----------------------------------------------------------------

enum class EventKind : int32_t {
    None = 0,
    LeftButtonDown = 1,  // left button pressed on the free area of a window
    MouseMove = 2,
    Control = 3,  // a control reported an event; see ControlEventType
    WindowResized = 4,
    CloseRequest = 5,
    Key = 6,    // a key of the skinned window; see Key
    Wheel = 7,  // the wheel turned over the skinned window's own area (not over a list)
    Drop = 8,   // files or addresses dropped on a window that takes drops; see takeDroppedItems
};

enum class ControlEventType : int32_t { None = 0, Left = 1, Right = 2, Double = 3 };

// The keys the skinned (Popup) window reports; every other key, and these
// with Ctrl, Alt or Super, stays with the focused control. Enter is
// reported only from an edit field or combo box (which keeps it too);
// Space, Left and Right from anywhere else (a held Space repeats nothing);
// Up and Down only while no list has the focus, since a list moves
// through its rows with them. A reported Space, arrow or Up/Down reaches
// no control. A click on the skin, outside the field and the lists, takes
// the focus from them.
enum class Key : int32_t { None = 0, Enter, Space, Left, Right, Up, Down };

struct Event {
    EventKind kind = EventKind::None;
    int window = 0;   // the top-level window the event belongs to
    int control = 0;  // Control: the control; Key: the focused control, 0 for none
    ControlEventType type = ControlEventType::None;
    Key key = Key::None;  // Key events
    int wheelSteps = 0;   // Wheel events: notches turned, away from the user positive
};

// A moment on the monotonic clock; the wait takes one as its deadline.
using Deadline = std::chrono::steady_clock::time_point;
// A deadline that never comes: the wait sleeps until something happens.
inline constexpr Deadline kNoDeadline = Deadline::max();

// Processes toolkit events until one program event is queued, a watched
// descriptor fires, `wake` is called, the pointer comes over one of our
// windows, or `deadline` passes; returns that event (kind None otherwise).
// Program timers run as the wait begins, and nowhere else: those that fall
// due during a wait run as the next one begins, after the caller's pass.
// No timer ends a wait by itself; a caller that wants one drawn passes
// `nextTimerDue()` as the deadline.
Event waitWindowEvent(Deadline deadline);
// The same, with the deadline timeoutMs from now.
Event waitWindowEvent(int timeoutMs);
// Ends the wait that runs, or else the next one, at once. Any thread.
void wake();
// Whether the last wait was woken by a watched descriptor, `wake` or the
// pointer coming over our windows (whatever else ended it).
bool lastWaitWoken();
// When the next wait has a program timer to run, counting those due now as
// run (they run as it begins); kNoDeadline when no timer runs.
Deadline nextTimerDue();
// Whether the pointer is over one of our windows, as mouse events left it.
bool pointerOverWindows();
// Runs `onReadable` from inside the wait whenever `fd` has data, and wakes
// the wait.
void watchDescriptor(int fd, std::function<void()> onReadable);
// Stops watching `fd`; before it is closed, so that a descriptor that later
// takes its number is never read by the old callback.
void unwatchDescriptor(int fd);

// Pointer position in MainWindow client coordinates, or (-1, -1) outside
// its client area. `mainWindow` names the window to measure against.
Point mouseInClient(int mainWindow);
// Queues an event as if the user had caused it (tests, and synthetic clicks).
void postEvent(const Event& event);

// Window timer: `callback` runs every periodMs, at the start of a
// waitWindowEvent (see there). A timer with slack may run up to slackMs
// late: nextTimerDue() counts it due only then, so that it rides on the
// wake-up of a tighter timer instead of waking the loop on its own.
void startTimer(int window, int timerId, int periodMs, std::function<void()> callback, int slackMs = 0);

// ---- windows ---------------------------------------------------------------

enum class WindowStyle {
    Popup,     // borderless, shaped by setWindowShape, dragged by startWindowDrag
    Dialog,    // title bar, system menu, minimise box; fixed size
    Sizeable,  // title bar, system menu, minimise and maximise boxes, sizing border
};

// Creates a top-level window with the given client size, centred on the
// screen and not yet visible. Creating a number that exists replaces it.
bool createWindow(int window, WindowStyle style, int clientW, int clientH, const std::string& title);
void destroyWindow(int window);
void showWindow(int window);
void setWindowClientSize(int window, int w, int h);
Rect windowClientRect(int window);  // x, y: client origin on screen
void setWindowBackground(int window, Rgb colour);
void setWindowSizeLimits(int window, int minW, int minH, int maxW, int maxH);
void minimizeWindow(int window);
// Shown on the screen (false while hidden or not yet shown).
bool windowVisible(int window);
// Whether the display server shows any of the window now: shown, not
// minimized, exposed (mapped; on Wayland, frame callbacks arriving), and on
// X11 not wholly covered by other windows (the last needs onWindowSeen).
bool windowSeen(int window);
// Runs `callback` whenever the window turns from unseen to seen, from inside
// the wait and before the screen is given any picture of it, so that a
// program that drew nothing while it was unseen can draw what is current
// first; also wakes the wait on either turn. One callback per window.
void onWindowSeen(int window, std::function<void()> callback);
// The window's outline: the union of the rectangles (client coordinates).
// An empty list removes the shape. At a density other than 1 on X11 the
// outline is as fine as the screen: it is cut in device pixels from the
// window's background image as drawn, by the rule the rectangles came from
// (every pixel whose colour differs from that of its pixel (0, 0)).
void setWindowShape(int window, const std::vector<Rect>& rects);
// The window's background: the image painted from (0, 0), tiled when smaller
// than the window, clipped when larger. 0 paints the default background.
void setWindowBackgroundImage(int window, int image);
// Brings the window to the front and asks for the focus for it, restoring it
// when minimised (a window manager may still refuse the focus).
void raiseWindow(int window);
// The window takes dropped files and addresses: each drop queues a Drop event.
void acceptDrops(int window);
// What the last drops brought, oldest first, and forgets it: local files as
// paths, other addresses as their text.
std::vector<std::string> takeDroppedItems();
// The place of the window's outer top-left corner on the screen (the client
// origin of a borderless window); nothing where the display does not tell
// programs where their windows are (Wayland).
std::optional<Point> windowPlace(int window);
// Puts the window's outer top-left corner at `at` when the display lets
// programs place their windows (not Wayland) and at least half of the
// window would lie on the screens there. Returns whether it was moved.
bool placeWindow(int window, Point at);
// Starts moving the window with the mouse (the left button is down).
void startWindowDrag(int window);
// Shows what the window holds now, before a wait that runs no loop: waits
// (at most timeoutMs) for the display server to map it, then paints it.
void paintWindowNow(int window, int timeoutMs);

// ---- controls --------------------------------------------------------------
// `parent` is a window number; `panel` is the number of a panel control to
// place the control in, or 0 for the window itself.

// A static picture that reports left click (on press), right click (on
// release) and double click (a Left event, then a Double event). With an
// image it takes the image's size; with image 0 it keeps x, y, w, h and is an
// invisible hotspot.
void createPicture(int control, int parent, int panel, Rect r, int image);
// Shows a snapshot of the image's current pixels (0: nothing). The control
// takes the image's size. Returns true when the shown pixels changed.
bool setControlImage(int control, int image);
int controlImage(int control);
// How many controls were made so far. A control made anew under an old
// number shows nothing yet: whoever skips drawing what it drew before checks
// this first. A change of the screen's density counts as a remaking of every
// control: what they show was drawn for the old density.
uint64_t controlsMade();
// Clicks go through the control to what lies beneath (a display-only overlay).
void setClickThrough(int control);
// A picture placed on its window (not in a panel) is painted by the window
// from then on, under every other control, instead of by a widget of its own;
// clicks reach the window. What changes among such pictures in one pass
// reaches the screen as one rectangle, painted when the wait for events next
// runs its timers (the refresh's many small pictures).
void drawOnWindow(int control);
// Text and background colours of an edit field.
void setEditColours(int control, Rgb text, Rgb background);

void createEdit(int control, int parent, int panel, Rect r, const std::string& text, bool sunkenBorder);
void createCombo(int control, int parent, int panel, Rect r, Rgb textColour, Rgb background);
void createPanel(int control, int parent, int panel, Rect r, bool black);
// A one-column report list with single selection that stays visible.
// `bare` hides the header, the edge and the vertical scroll bar (the five
// lists of MainWindow, which sit in a clipping panel); otherwise the header
// shows the caption.
void createList(int control, int parent, int panel, Rect r, const std::string& caption, int columnWidth,
                bool bare, Rgb background);
void createPushButton(int control, int parent, int panel, Rect r, const std::string& text);
// Black text, RGB(252,1,3) under the mouse, hand cursor, Left event on release.
void createHyperlink(int control, int parent, int panel, Rect r, const std::string& text);
void createScrollArea(int control, int parent, int panel, Rect r, int innerW, int innerH, int step);
// A container for an embedded web view (filled by the web module).
void createHost(int control, int parent, int panel, Rect r);

// Position and size in the parent's client coordinates.
Rect controlRect(int control);
Rect controlScreenRect(int control);
void setControlX(int control, int x);
void setControlY(int control, int y);
void resizeControl(int control, int w, int h);
void setTooltip(int control, const std::string& text);
void setText(int control, const std::string& text);
std::string text(int control);
// The native widget behind a control (a QWidget*), for the web module only.
void* nativeHandle(int control);
void* nativeWindowHandle(int window);

// ---- lists -----------------------------------------------------------------

int listAddRow(int list, const std::string& text, int icon);  // returns the row index
void listRemoveRow(int list, int row);
void listClear(int list);
int listRowCount(int list);
int listSelectedRow(int list);  // -1 when none
void listSelectRow(int list, int row);
std::string listRowText(int list, int row);
void listSetRowColours(int list, int row, Rgb text, Rgb background);
void listSetTextColour(int list, Rgb text);  // every row

// ---- combo box -------------------------------------------------------------

void comboAddItem(int combo, const std::string& text);
int comboItemCount(int combo);
std::string comboItemText(int combo, int index);
std::string comboText(int combo);
void comboShowDropdown(int combo);

// ---- images and fonts ------------------------------------------------------

// Images have a size in skin pixels and hold the pixels of the density they
// were made for: a canvas is drawn at the skinned window's density, a picture
// of the program's own is decoded or rendered at it, a picture file keeps its
// own pixels and is scaled smoothly where it is shown.

// A black image of the given size.
void createImage(int image, int w, int h);

// A picture of the program's own as it carries it: PNG renders at one, two
// and three device pixels per skin pixel, and the SVG document they were
// rendered from, which is rendered for any other density. `area` is the
// picture's rectangle in the document (a lit button is cut from a sheet).
struct PictureSource {
    enum class Finish {
        OnBlack,    // an opaque picture, composed over black
        WithAlpha,  // keeps its alpha
        Keyed,      // a window skin: a pixel more than half transparent takes
                    // the key colour, every other one is opaque
    };
    std::span<const uint8_t> png[3];  // the renders at 1, 2 and 3; the first is required
    std::span<const uint8_t> svg;
    Rect area;
    Finish finish = Finish::OnBlack;
    Rgb key;  // Keyed: the colour of what the outline leaves
};
// A picture of the program's own, decoded or rendered when first used, at
// the density it is drawn for: a picture never shown costs no memory. A
// document that does not render (a broken install without librsvg) gives the
// first render scaled, after one warning on stderr. The bytes must outlive
// the image.
void loadPictureWhenUsed(int image, const PictureSource& source);
// Decodes a PNG or JPEG file now. Returns false and leaves no image when the
// file is not a picture.
bool loadImageFile(int image, const std::string& path);
// Like loadImageFile, but a picture that looks whole is decoded when first
// used: a picture control given it before then shows it from its first
// paint. A file damaged inside leaves no image when it is used.
bool loadImageFileWhenUsed(int image, const std::string& path);
void deleteImage(int image);
bool imageExists(int image);
Rect imageSize(int image);  // x = y = 0
// Every pixel as 0xAARRGGBB (not premultiplied), row by row; empty when unknown.
std::vector<uint32_t> imagePixels(int image);
// Decodes PNG or JPEG bytes (by signature) now. Returns false and leaves no
// image when the data is not a picture.
bool loadImage(int image, std::span<const uint8_t> data);
// The image scaled smoothly to fit inside w x h, keeping its aspect ratio,
// centred on a transparent w x h image.
void fitImage(int image, int w, int h);
void copyImage(int destination, int source);
void fillRect(int image, Rect r, Rgb colour);
// Draws src stretched into r on the destination, with src's alpha.
void drawImage(int destination, int source, Rect r);
// Text with a transparent background; (x, y) is the top-left of the text box.
void drawText(int image, int fontId, int x, int y, Rgb colour, const std::string& text);

// The width in pixels that drawText gives `text` in the font.
int textWidth(int fontId, const std::string& text);
// `text` as it fits in `width` pixels of the font: whole when it fits, else
// cut at the right with "…".
std::string elidedText(int fontId, const std::string& text, int width);

// A font by face and size in points, looked up through fontconfig, so that
// "Arial" and "Calibri" find metric-compatible faces.
void createFont(int fontId, const std::string& face, int points);

// ---- pointer and cursor ----------------------------------------------------

Point cursorPos();  // screen coordinates
// The hand cursor until the next cursor update of the widget under the mouse.
void setHandCursor();
bool handCursorShown();
// The widget's own cursor again, wherever the pointer is.
void clearHandCursor();
// The left button's state as the system reports it now.
bool leftButtonDown();

// ---- message boxes ---------------------------------------------------------

enum class Icon { None, Information, Warning, Error };

// Shows a message box with an OK button and waits for it to be closed. On
// the UI thread the box is application-modal; from another thread it is
// modal only to that thread: the UI keeps running while the caller waits.
void messageBox(int owner, const std::string& caption, const std::string& text, Icon icon);

// ---- dialogs ---------------------------------------------------------------

// The open-file dialog, showing `folder` (the working directory when ""),
// the first filter chosen; returns the chosen path or "" when cancelled.
// The filter is in the "description|patterns|..." form, patterns split by ";".
std::string openFileDialog(int owner, const std::string& title, const std::string& filter,
                           const std::string& folder = "");

}  // namespace gui
