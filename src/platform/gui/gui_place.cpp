// Where a window stands on the screen, for a program that remembers it.
// Wayland leaves the place to the compositor: there nothing is read or set.
#include <QGuiApplication>
#include <QScreen>

#include "platform/gui/gui_internal.h"

namespace gui {
namespace {

bool placesWindows() {
    return QGuiApplication::platformName() != QLatin1String("wayland");
}

// How many pixels of `r` lie on the screens.
long long pixelsOnScreens(const QRect& r) {
    long long pixels = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect on = r.intersected(screen->availableGeometry());
        if (!on.isEmpty()) pixels += static_cast<long long>(on.width()) * on.height();
    }
    return pixels;
}

}  // namespace

std::optional<Point> windowPlace(int window) {
    QWidget* w = detail::windowWidget(window);
    if (!w || !placesWindows()) return std::nullopt;
    const QPoint at = w->pos();
    return Point{at.x(), at.y()};
}

bool placeWindow(int window, Point at) {
    QWidget* w = detail::windowWidget(window);
    if (!w || !placesWindows()) return false;
    // At least half of it on the screens as they are now: a screen taken
    // away since, or a smaller one, leaves the window where it was put.
    const QRect wanted(QPoint(at.x, at.y), w->frameGeometry().size());
    if (pixelsOnScreens(wanted) * 2 < static_cast<long long>(wanted.width()) * wanted.height()) return false;
    w->move(at.x, at.y);
    return true;
}

}  // namespace gui
