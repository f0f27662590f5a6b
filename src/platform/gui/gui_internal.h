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
#include <unordered_map>

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
// bytes read from a file; those carried in the program need none.
struct EncodedImage {
    std::span<const uint8_t> bytes;
    std::shared_ptr<const std::vector<uint8_t>> owner;
    QSize size;  // empty when the header says nothing
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
    std::unordered_map<int, QFont> fonts;
    std::deque<Event> queue;
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
// Paints the pictures drawn on the window that meet `area`, over its background.
void paintWindowPictures(QPainter& painter, const QWidget* window, const QRect& area);

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
// Hands a newly decoded image to the pictures that wait for it.
void imageDecoded(int image, const QImage& decoded);

// Keys and the wheel of the skinned window become program events (gui_keys.cpp).
void installInputFilter();

// Russian texts for the toolkit's own dialogs, when installed.
void loadToolkitTranslations();

// Picks the toolkit's platform before the application exists; false, after
// saying why on stderr, when no display can be opened.
bool choosePlatform();

// The window's shape: the X11 shape mask, or on Wayland the input region.
void applyShape(QWidget* window, const std::vector<Rect>& rects);

}  // namespace gui::detail
