// Shared state of the Qt-backed gui stand-in. Only src/platform/gui sees it.
#pragma once

#include <QFont>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gui/gui_testing.h"

class QPainter;
class QTreeWidget;

namespace gui::detail {

enum class ControlKind { Picture, Edit, Combo, Panel, List, PushButton, Hyperlink, ScrollArea, Host };

struct ControlRecord {
    ControlKind kind;
    QPointer<QWidget> widget;
    int window = 0;  // the top-level window the control lives in
    int image = 0;   // picture controls: the image last shown
};

// A picture's encoded bytes and the size its header gives. `owner` keeps
// bytes read from a file; those carried in the program need none. A picture
// of the program's own has its source, and is decoded from it.
struct EncodedImage {
    std::span<const uint8_t> bytes;
    std::shared_ptr<const std::vector<uint8_t>> owner;
    QSize size;  // in skin pixels; empty when the header says nothing
    std::shared_ptr<const PictureSource> source;
};

// One drawing on a canvas, kept so that the canvas can be drawn again at
// another density.
struct CanvasOp {
    // Pixels: what the canvas showed when its drawings grew too many.
    enum class Kind { Fill, Image, Text, Pixels } kind = Kind::Fill;
    QRect rect;       // where, in skin pixels (a text: the box it covers)
    QRgb colour = 0;  // Fill, Text
    int image = 0;    // Image: the image drawn
    int font = 0;     // Text
    std::string text;
    QImage pixels;  // Pixels
};

struct WindowRecord {
    QPointer<QWidget> widget;
    WindowStyle style = WindowStyle::Popup;
};

struct Registry {
    std::unordered_map<int, WindowRecord> windows;
    std::unordered_map<int, ControlRecord> controls;
    std::unordered_map<int, QImage> images;
    // Pictures decoded when first used.
    std::unordered_map<int, EncodedImage> undecoded;
    // Images made by createImage: what was drawn on each since it was last
    // covered whole.
    std::unordered_map<int, std::vector<CanvasOp>> canvases;
    // Pictures of the program's own, decoded or not, by their image.
    std::unordered_map<int, std::shared_ptr<const PictureSource>> sources;
    std::unordered_map<int, QFont> fonts;
    std::deque<Event> queue;
    std::vector<std::string> dropped;  // items of Drop events not yet taken
};

Registry& registry();

// Queues a program event; wakes the event wait.
void push(const Event& event);
// The window number of a top-level widget, or 0.
int windowNumber(const QWidget* topLevel);
QWidget* windowWidget(int window);
QWidget* controlWidget(int control);
// The widget a new control goes into: the panel's widget or the window's.
QWidget* parentFor(int window, int panel);
// Puts a new control at r (negative sizes as 0) and shows it.
void place(QWidget* widget, Rect r);
void registerControl(int control, ControlKind kind, QWidget* widget, int window);
// Queues the control's event for the window it lives in.
void pushControl(int window, int control, ControlEventType type);
// Moves a picture control to `target`, damaging its window where it was and
// where it goes; false when the control is no picture.
bool relocatePicture(int control, const QRect& target);
// Paints what changed since the last call among the pictures drawn on windows.
void paintSurfaces();
// Paints the pictures drawn on the window that meet `area` (skin pixels), over
// its background, on a painter that draws in device pixels at the density.
void paintWindowPictures(QPainter& painter, const QWidget* window, const QRect& area, qreal density);

QColor toQColor(Rgb colour);
// A list shows the whole text of a row as its tooltip when the row is too
// wide for the list's visible column and so ends in "…".
void tooltipsForElidedRows(QTreeWidget* list);
QImage* findImage(int image);
// 32-bit pixels the blend below takes: RGB32 or premultiplied ARGB32.
bool plainPixels(const QImage& image);
// Draws `src` at (x, y) on `dst` over what is there (premultiplied source
// over), within `clip`; both plain.
void blendImage(QImage& dst, const QImage& src, int x, int y, const QRect& clip);
// The image while it waits to be decoded, or null.
const EncodedImage* findUndecoded(int image);
// The picture of encoded bytes; null when they are not one.
QImage decodeImage(std::span<const uint8_t> bytes);
// The picture an image waiting to be decoded holds, at the density drawn now.
QImage decodeEncoded(const EncodedImage& encoded);
// Hands a newly decoded image to the pictures that wait for it.
void imageDecoded(int image, const QImage& decoded);

// The wait's deadline (gui_deadline.cpp): armed before the wait sleeps,
// reached once it passes, disarmed when something else ends the wait.
void armDeadline(Deadline deadline);
bool deadlineReached();
void disarmDeadline();

// Keys and the wheel of the skinned window become program events (gui_keys.cpp).
void installInputFilter();

// Russian texts for the toolkit's own dialogs, when installed.
void loadToolkitTranslations();

// Picks the toolkit's platform before the application exists; false, after
// saying why on stderr, when no display can be opened.
bool choosePlatform();

// The window's shape: the X11 shape mask, or on Wayland the input region.
void applyShape(QWidget* window, const std::vector<Rect>& rects);

// ---- density (gui_density.cpp) ---------------------------------------------

// Device pixels per skin pixel of what is drawn now: the skinned window's
// screen's, or the primary screen's before that window is shown.
qreal density();
// Takes the density of the skinned window's screen. On a change every canvas
// is drawn again at it, every picture of the program's own waits to be
// decoded anew, every picture control shows its image again and every window
// is painted and shaped anew.
void followDensity(qreal density);
// Skin pixels to device pixels: a place, and a rectangle by its edges, so
// that rectangles side by side stay side by side.
inline int toDevice(int v, qreal density) {
    return qRound(v * density);
}
inline QRect toDevice(const QRect& r, qreal density) {
    const int left = toDevice(r.left(), density), top = toDevice(r.top(), density);
    return QRect(left, top, toDevice(r.left() + r.width(), density) - left,
                 toDevice(r.top() + r.height(), density) - top);
}
// An image's size in skin pixels.
inline QSize logicalSize(const QImage& image) {
    const qreal d = image.devicePixelRatio();
    return d == 1 ? image.size() : QSize(qRound(image.width() / d), qRound(image.height() / d));
}
// A decoded picture of the program's own was used now. At a density above 1
// one left unused for a while goes back to its encoded form.
void pictureUsed(int image);
// The picture of the program's own at a density: a carried render, else its
// document rendered, else its first render scaled (see loadPictureWhenUsed).
QImage pictureAt(const PictureSource& source, qreal density);
// Makes the painter of a widget's paint event draw in whole device pixels,
// with its origin at the device pixel nearest to the widget's origin: images
// then reach the screen pixel for pixel. Returns the density painted at.
qreal paintInDevicePixels(QPainter& painter);
// Draws the image with its top-left at `at` (device pixels, after
// paintInDevicePixels): pixel for pixel when it was made for `density`, else
// scaled smoothly to its size in skin pixels at that density.
void drawAtDensity(QPainter& painter, QPoint at, const QImage& image, qreal density);
// A text drawn at a density, transparent around its glyphs, kept for the
// next refresh; its size in skin pixels is the font's box (gui_text.cpp).
const QImage& renderedText(int fontId, Rgb colour, const std::string& value, qreal density);
// Forgets the kept texts, drawn at another density or font.
void forgetRenderedTexts();
// Draws every canvas again at the density (gui_images.cpp).
void redrawCanvases(qreal density);
// Counts every control as made anew (gui_controls.cpp).
void countControlsRemade();
// Repaints and reshapes every window after a change of density (gui_windows.cpp).
void windowsFollowDensity();
// The outline of a window skin in its own pixels: the rectangles of the runs
// of pixels whose colour differs from pixel (0, 0)'s, rows with the same
// runs merged into bands (gui_shape.cpp).
std::vector<QRect> keyedOutline(const QImage& image);
// Sets an X11 window's outline in device pixels, or with `unshaped` removes
// it; false when the display is no X11 one.
bool setDeviceShape(QWidget* window, const std::vector<QRect>& rects, bool unshaped);

}  // namespace gui::detail
