// The application object, the program's event queue and the wait with a
// deadline.
//
// Toolkit events are turned into program events by the widgets themselves
// (clicks, close requests, resizes) and by one application-wide filter
// (mouse moves over any of our windows). The queue is drained one event per
// waitWindowEvent call, as the program's loop expects. Consecutive mouse
// moves are coalesced so that a fast pointer never builds a backlog. How
// long to wait is the program's choice: the wait only keeps the deadline it
// is given and reports what woke it.
#include <QAbstractEventDispatcher>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QSocketNotifier>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

#include "platform/gui/gui_internal.h"

namespace gui {
namespace detail {

Registry& registry() {
    static Registry instance;
    return instance;
}

namespace {

// Lives until the process ends; never destroyed, so exit never races its teardown.
QApplication* application = nullptr;
// Something other than a program event asks the loop to look again: a
// watched descriptor fired or the pointer came over us (UI thread), or
// another thread called wake. Taken by the next wait, which then does not
// sleep.
bool noticed = false;
std::atomic<bool> wakeAsked{false};
bool lastWoken = false;
std::vector<std::unique_ptr<QSocketNotifier>> watchers;
// The pointer as the last mouse event over our windows left it; asking the
// display server on every pass would be a round trip 100 times a second.
QPoint lastPointer;
bool pointerInside = false;
int leftButtonOverride = -1;
QPointer<QWidget> handWidget;
bool handShown = false;

// Program timers are not toolkit timers: they run as a wait begins, so a
// timer costs no wake-up of its own, and what it draws comes from the pass
// just run. A timer so fires on the first wait at or after its deadline;
// its deadlines stay on the period's grid, so its average period is exact.
struct TimerRecord {
    int window;
    int id;
    std::chrono::milliseconds period;
    std::chrono::steady_clock::time_point deadline;
    std::function<void()> callback;
    std::chrono::milliseconds slack{0};
};
std::vector<std::unique_ptr<TimerRecord>> timers;

// The deadline after `t` has run at `now`.
Deadline nextDeadline(const TimerRecord& t, Deadline now) {
    const Deadline next = t.deadline + t.period;
    return next <= now ? now + t.period : next;  // fell far behind: no burst of catch-up calls
}

void runDueTimers() {
    const auto now = std::chrono::steady_clock::now();
    for (size_t i = 0; i < timers.size(); ++i) {
        TimerRecord& t = *timers[i];
        if (now < t.deadline) continue;
        t.deadline = nextDeadline(t, now);
        t.callback();
    }
    // What the timers drew, and what the pass before drew, reaches the screen now.
    paintSurfaces();
}

// Mouse moves anywhere over our windows become MouseMove events; the hand
// cursor set by the program lasts until the pointer leaves its widget.
class MouseMoveFilter : public QObject {
  public:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Leave && object->isWindowType()) {
            pointerInside = false;  // the pointer left a top-level window
        } else if (event->type() == QEvent::MouseMove && object->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(object);
            lastPointer = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            if (!pointerInside) noticed = true;  // also over a box or dialog, which queue no event
            pointerInside = true;
            const int window = windowNumber(widget->window());
            if (window != 0) {
                if (handWidget && QApplication::widgetAt(lastPointer) != handWidget) {
                    handWidget->unsetCursor();
                    handWidget = nullptr;
                    handShown = false;
                }
                auto& queue = registry().queue;
                if (queue.empty() || queue.back().kind != EventKind::MouseMove)
                    push({EventKind::MouseMove, window, 0, ControlEventType::None});
            }
        }
        return false;
    }
};
MouseMoveFilter* mouseFilter = nullptr;

bool takeNotice() {
    const bool asked = wakeAsked.exchange(false, std::memory_order_acq_rel);
    const bool any = noticed || asked;
    noticed = false;
    return any;
}

}  // namespace

void push(const Event& event) {
    registry().queue.push_back(event);
}

int windowNumber(const QWidget* topLevel) {
    for (const auto& [number, record] : registry().windows)
        if (record.widget == topLevel) return number;
    return 0;
}

QWidget* windowWidget(int window) {
    auto it = registry().windows.find(window);
    return it == registry().windows.end() ? nullptr : it->second.widget.data();
}

QWidget* controlWidget(int control) {
    auto it = registry().controls.find(control);
    return it == registry().controls.end() ? nullptr : it->second.widget.data();
}

QColor toQColor(Rgb colour) {
    return QColor(colour.r, colour.g, colour.b);
}

}  // namespace detail

using namespace detail;

bool init(int& argc, char** argv) {
    if (application) return true;
    if (!choosePlatform()) return false;
    // No OpenGL: loading the GL stack (a software rasteriser on most
    // machines) costs over 200 ms and 50 MB at every start, for a web view
    // most sessions never open; that view then draws with the software
    // scene graph.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION")) {
        qputenv("QT_XCB_GL_INTEGRATION", "none");
        if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) qputenv("QT_QUICK_BACKEND", "software");
    }
    // Pictures reach the X server in the request itself, not through shared
    // memory: what changes per refresh is a few small rectangles, and each
    // shared-memory flush costs a completion event that wakes two threads.
    if (qEnvironmentVariableIsEmpty("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    // A desktop at 1.25 or 1.5 keeps its fraction: the skin is drawn for it.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    application = new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    loadToolkitTranslations();
    mouseFilter = new MouseMoveFilter;
    application->installEventFilter(mouseFilter);
    installInputFilter();
    return true;
}

bool initialized() {
    return application != nullptr;
}

void releaseAll() {
    auto& r = registry();
    timers.clear();
    // Controls die with their windows; secondary windows first, MainWindow last.
    std::vector<QPointer<QWidget>> windows;
    for (auto& [number, record] : r.windows) windows.push_back(record.widget);
    r.controls.clear();
    r.windows.clear();
    for (auto& w : windows) delete w.data();
    r.images.clear();
    r.undecoded.clear();
    r.canvases.clear();
    r.sources.clear();
    r.fonts.clear();
    r.queue.clear();
    r.dropped.clear();
    handWidget = nullptr;
    handShown = false;
    leftButtonOverride = -1;
    pointerInside = false;
}

void watchDescriptor(int fd, std::function<void()> onReadable) {
    auto notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [callback = std::move(onReadable)] {
        callback();
        noticed = true;
    });
    watchers.push_back(std::move(notifier));
}

void unwatchDescriptor(int fd) {
    std::erase_if(watchers, [fd](const auto& notifier) { return notifier->socket() == fd; });
}

void wake() {
    wakeAsked.store(true, std::memory_order_release);
    // Ends a blocking wait; when none runs, the next one finds the flag.
    if (QAbstractEventDispatcher* dispatcher = QCoreApplication::eventDispatcher()) dispatcher->wakeUp();
}

bool lastWaitWoken() {
    return lastWoken;
}

Deadline nextTimerDue() {
    const auto now = std::chrono::steady_clock::now();
    Deadline due = kNoDeadline;
    for (const auto& t : timers)
        due = std::min(due, (now < t->deadline ? t->deadline : nextDeadline(*t, now)) + t->slack);
    return due;
}

bool pointerOverWindows() {
    return pointerInside;
}

Event waitWindowEvent(Deadline deadline) {
    auto& queue = registry().queue;
    runDueTimers();
    bool woken = takeNotice();
    if (queue.empty() && !woken) {
        const auto now = std::chrono::steady_clock::now();
        if (deadline <= now) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        } else {
            // Toolkit-internal wake-ups (a cursor blink, a repaint) go back
            // to sleep: only the deadline, an event or a notice end the wait.
            armDeadline(deadline);
            while (queue.empty() && !deadlineReached() && !(woken = takeNotice()))
                QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
            disarmDeadline();
        }
    }
    lastWoken = woken || takeNotice();
    if (queue.empty()) return {};
    Event event = queue.front();
    queue.pop_front();
    return event;
}

Event waitWindowEvent(int timeoutMs) {
    return waitWindowEvent(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs));
}

void postEvent(const Event& event) {
    push(event);
}

Point mouseInClient(int mainWindow) {
    QWidget* w = windowWidget(mainWindow);
    if (!w || !pointerInside) return {-1, -1};
    const QPoint local = w->mapFromGlobal(lastPointer);
    if (!w->rect().contains(local)) return {-1, -1};
    return {local.x(), local.y()};
}

void startTimer(int window, int timerId, int periodMs, std::function<void()> callback, int slackMs) {
    const auto period = std::chrono::milliseconds(std::max(1, periodMs));
    const auto slack = std::chrono::milliseconds(std::max(0, slackMs));
    const auto deadline = std::chrono::steady_clock::now() + period;
    for (auto& t : timers) {
        if (t->window == window && t->id == timerId) {
            t->callback = std::move(callback);
            t->period = period;
            t->deadline = deadline;
            t->slack = slack;
            return;
        }
    }
    timers.push_back(std::make_unique<TimerRecord>(
        TimerRecord{window, timerId, period, deadline, std::move(callback), slack}));
}

Point cursorPos() {
    const QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}

void setHandCursor() {
    // The pointer as events left it: the loop asks for the hand on every pass
    // while the pointer rests over an icon column.
    QWidget* w = QApplication::widgetAt(pointerInside ? lastPointer : QCursor::pos());
    if (handWidget && handWidget != w) handWidget->unsetCursor();
    handShown = true;
    if (!w) return;
    if (!handWidget || handWidget != w) w->setCursor(Qt::PointingHandCursor);
    handWidget = w;
}

void clearHandCursor() {
    if (handWidget) handWidget->unsetCursor();
    handWidget = nullptr;
    handShown = false;
}

bool handCursorShown() {
    return handShown;
}

bool leftButtonDown() {
    if (leftButtonOverride >= 0) return leftButtonOverride == 1;
    return QGuiApplication::mouseButtons() & Qt::LeftButton;
}

void simulateLeftButton(int state) {
    leftButtonOverride = state;
}

void simulateMouseMove(Point screen) {
    QCursor::setPos(screen.x, screen.y);
    lastPointer = QPoint(screen.x, screen.y);
    pointerInside = true;
    QWidget* target = QApplication::widgetAt(QPoint(screen.x, screen.y));
    if (!target) return;
    const QPointF local = target->mapFromGlobal(QPointF(screen.x, screen.y));
    QMouseEvent move(QEvent::MouseMove, local, QPointF(screen.x, screen.y), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(target, &move);
}

void simulateClick(int control, ControlEventType type, int x, int y) {
    QWidget* w = controlWidget(control);
    if (!w) return;
    // Lists take their clicks on the viewport.
    QWidget* target = w;
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) target = area->viewport();
    const QPoint local = target->mapFrom(w, QPoint(x, y));
    const QPointF global = target->mapToGlobal(QPointF(local));
    QCursor::setPos(global.toPoint());
    lastPointer = global.toPoint();
    pointerInside = true;
    auto send = [&](QEvent::Type t, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(t, QPointF(local), global, button, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &e);
    };
    const Qt::MouseButton button = type == ControlEventType::Right ? Qt::RightButton : Qt::LeftButton;
    send(QEvent::MouseButtonPress, button, button);
    send(QEvent::MouseButtonRelease, button, Qt::NoButton);
    if (type == ControlEventType::Double) {
        send(QEvent::MouseButtonDblClick, button, button);
        send(QEvent::MouseButtonRelease, button, Qt::NoButton);
    }
}

}  // namespace gui
