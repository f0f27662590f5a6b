// Whether a window can be seen, as the display server tells it: shown, not
// minimized, exposed (mapped on X11; on Wayland, frame callbacks arriving),
// and on X11 not wholly covered (VisibilityNotify, which the toolkit does
// not ask for). A program that draws nothing while its window is unseen is
// called back when it shows again, before the toolkit puts its backing
// store (the picture from before it went unseen) on the screen.
#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QWindow>
#include <memory>
#include <unordered_map>

#include "platform/gui/gui_internal.h"

namespace gui {
namespace detail {
namespace {

struct Watch {
    QPointer<QWidget> widget;  // the window watched; one made anew under its number is not
    std::function<void()> onSeen;
    bool seen = false;
    bool covered = false;  // X11: wholly obscured by other windows
};
std::unordered_map<int, Watch> watches;

bool onX11() {
    static const bool x11 = QGuiApplication::platformName() == "xcb";
    return x11;
}

bool shownAndExposed(int window) {
    QWidget* w = windowWidget(window);
    if (!w || !w->isVisible()) return false;
    // On X11 a minimized window is unmapped, so exposure says it all; and a
    // window restored is exposed before the toolkit has read its new state
    // from the window manager: asking for that state too would leave the
    // old picture on the screen until then. On Wayland the compositor may
    // keep exposing a minimized window.
    if (!onX11() && (w->windowState() & Qt::WindowMinimized)) return false;
    const QWindow* handle = w->windowHandle();
    return handle && handle->isExposed();
}

// Runs the callback on the way from unseen to seen. Called before the
// toolkit handles the event that may show the window.
void reconsider(int window) {
    auto it = watches.find(window);
    if (it == watches.end()) return;
    Watch& watch = it->second;
    const bool seen = shownAndExposed(window) && !watch.covered;
    if (seen == watch.seen) return;
    watch.seen = seen;
    if (seen && watch.onSeen) {
        watch.onSeen();
        // Into the backing store now: the toolkit flushes it to the screen
        // as it handles this expose, and the pass's own paint comes after.
        paintSurfaces();
    }
    wake();  // the loop paces itself again, or may sleep
}

// On the window and its widget: expose (map, unmap, frame callbacks) and
// window state (minimized) changes.
class ExposeFilter : public QObject {
  public:
    explicit ExposeFilter(int window) : window_(window) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Expose || event->type() == QEvent::WindowStateChange ||
            event->type() == QEvent::Show || event->type() == QEvent::Hide)
            reconsider(window_);
        return false;
    }

  private:
    int window_;
};

// X11 visibility of our watched windows.
class CoverFilter : public QAbstractNativeEventFilter {
  public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_VISIBILITY_NOTIFY) return false;
        const auto* notice = static_cast<const xcb_visibility_notify_event_t*>(message);
        for (auto& [window, watch] : watches) {
            QWidget* w = windowWidget(window);
            if (!w || !w->windowHandle() || w->windowHandle()->winId() != notice->window) continue;
            watch.covered = notice->state == XCB_VISIBILITY_FULLY_OBSCURED;
            reconsider(window);
        }
        return false;
    }
};

// Asks the X server for the window's visibility changes, beside the events
// the toolkit selected.
void askForCoverNotices(QWidget* w) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    static CoverFilter* filter = nullptr;
    if (!filter) {
        filter = new CoverFilter;
        qGuiApp->installNativeEventFilter(filter);
    }
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(w->winId());
    const xcb_get_window_attributes_cookie_t cookie = xcb_get_window_attributes(connection, id);
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> reply(
        xcb_get_window_attributes_reply(connection, cookie, nullptr), &std::free);
    if (!reply) return;
    const uint32_t mask = reply->your_event_mask | XCB_EVENT_MASK_VISIBILITY_CHANGE;
    xcb_change_window_attributes(connection, id, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
}

}  // namespace
}  // namespace detail

using namespace detail;

bool windowSeen(int window) {
    // A watched window's state is kept by the events that change it: the
    // loop asks several times a pass.
    auto it = watches.find(window);
    if (it != watches.end() && it->second.widget && it->second.widget == windowWidget(window))
        return it->second.seen;
    return shownAndExposed(window);
}

void onWindowSeen(int window, std::function<void()> callback) {
    QWidget* w = windowWidget(window);
    if (!w) return;
    w->winId();  // the native window, to filter and to ask about
    Watch& watch = watches[window];
    watch.widget = w;
    watch.onSeen = std::move(callback);
    watch.seen = shownAndExposed(window);
    watch.covered = false;
    auto* filter = new ExposeFilter(window);
    filter->setParent(w);  // goes with the window
    w->installEventFilter(filter);
    if (QWindow* handle = w->windowHandle()) handle->installEventFilter(filter);
    if (onX11()) askForCoverNotices(w);
}

}  // namespace gui
