// The wait's deadline. On the toolkit's GLib dispatcher (X11 and Wayland
// alike) it is a source of the GLib main context: the context's poll takes
// its timeout from the deadline, and reaching it sets a flag. A toolkit
// timer would cost, on every pass, a timer id to register and release and
// a timer event sent through the application's event filters: as much
// work as the refresh it wakes the loop for. Any other dispatcher gets
// such a timer.
#include <glib.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>

#include "platform/gui/gui_internal.h"

namespace gui::detail {
namespace {

Deadline armed = kNoDeadline;  // kNoDeadline: no wait is timed
bool reached = false;

// The wait's deadline as a GLib source: ready once the deadline passes,
// then disarmed, so that no later iteration (a dialog's own loop) finds it
// ready again.
struct DeadlineSource {
    GSource base;
};

bool due() {
    return armed != kNoDeadline && std::chrono::steady_clock::now() >= armed;
}

gboolean prepare(GSource*, gint* timeout) {
    if (armed == kNoDeadline) {
        *timeout = -1;
        return FALSE;
    }
    const auto left = armed - std::chrono::steady_clock::now();
    if (left <= Deadline::duration::zero()) {
        *timeout = 0;
        return TRUE;
    }
    // Rounded up: a poll that ends early would only be polled again.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    *timeout = static_cast<gint>(std::min<decltype(ms)>(ms, std::numeric_limits<gint>::max()));
    return FALSE;
}

gboolean check(GSource*) {
    return due();
}

gboolean dispatch(GSource*, GSourceFunc, gpointer) {
    armed = kNoDeadline;
    reached = true;
    return G_SOURCE_CONTINUE;
}

GSourceFuncs deadlineFuncs = {prepare, check, dispatch, nullptr, nullptr, nullptr};
GSource* source = nullptr;              // on a GLib dispatcher
std::unique_ptr<QTimer> fallbackTimer;  // on any other

void attach() {
    if (source || fallbackTimer) return;
    QAbstractEventDispatcher* dispatcher = QCoreApplication::eventDispatcher();
    if (dispatcher && dispatcher->inherits("QEventDispatcherGlib")) {
        // The dispatcher of the application's thread iterates the default context.
        source = g_source_new(&deadlineFuncs, sizeof(DeadlineSource));
        g_source_set_can_recurse(source, TRUE);
        g_source_attach(source, g_main_context_default());
        return;
    }
    fallbackTimer = std::make_unique<QTimer>();
    fallbackTimer->setTimerType(Qt::PreciseTimer);
    fallbackTimer->setSingleShot(true);
    QObject::connect(fallbackTimer.get(), &QTimer::timeout, [] {
        armed = kNoDeadline;
        reached = true;
    });
}

}  // namespace

void armDeadline(Deadline deadline) {
    attach();
    reached = false;
    armed = deadline;
    if (!fallbackTimer) return;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (deadline == kNoDeadline || left > std::chrono::hours(24))
        fallbackTimer->stop();
    else
        fallbackTimer->start(std::max(left, std::chrono::milliseconds(0)));
}

bool deadlineReached() {
    return reached;
}

void disarmDeadline() {
    armed = kNoDeadline;
    if (fallbackTimer) fallbackTimer->stop();
}

}  // namespace gui::detail
