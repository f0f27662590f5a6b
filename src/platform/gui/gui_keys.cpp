// Keys and the wheel of the skinned window, as program events. The toolkit
// delivers a key to the focused widget and a wheel turn to the widget under
// the pointer; one application-wide filter sees both first and decides, by
// what has the focus, whether a key is the program's (gui.h, Key).
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

#include "platform/gui/gui_internal.h"

namespace gui::detail {
namespace {

bool skinned(const QWidget* widget) {
    const auto it = registry().windows.find(windowNumber(widget->window()));
    return it != registry().windows.end() && it->second.style == WindowStyle::Popup;
}

// The number of the control a widget belongs to (a combo box's inner line
// edit belongs to the combo box), or 0.
int controlNumber(const QWidget* widget) {
    for (; widget && !widget->isWindow(); widget = widget->parentWidget())
        for (const auto& [number, record] : registry().controls)
            if (record.widget == widget) return number;
    return 0;
}

Key keyOf(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return Key::Enter;
        case Qt::Key_Space:
            return Key::Space;
        case Qt::Key_Left:
            return Key::Left;
        case Qt::Key_Right:
            return Key::Right;
        case Qt::Key_Up:
            return Key::Up;
        case Qt::Key_Down:
            return Key::Down;
        default:
            return Key::None;
    }
}

// True when the key is the program's and reaches no control.
bool keyPressed(QWidget* receiver, const QKeyEvent* event) {
    // The first receiver only: a key the widget leaves goes on to its parents.
    QWidget* focus = QApplication::focusWidget();
    if (focus ? receiver != focus : !receiver->isWindow()) return false;
    if (!skinned(receiver) ||
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    const Key key = keyOf(event->key());
    if (key == Key::None) return false;
    const bool typing = qobject_cast<QLineEdit*>(focus) || qobject_cast<QComboBox*>(focus);
    const bool list = qobject_cast<QAbstractItemView*>(focus) != nullptr;
    const Event program{EventKind::Key, windowNumber(receiver->window()), controlNumber(focus), {}, key, 0};
    if (key == Key::Enter) {
        if (typing && !event->isAutoRepeat()) push(program);
        return false;  // the field, or whatever else has the focus, keeps it
    }
    if (typing || (list && (key == Key::Up || key == Key::Down))) return false;
    if (!(key == Key::Space && event->isAutoRepeat())) push(program);
    return true;
}

// A press where no widget takes the focus (the skin, its pictures and
// hotspots) takes it from the field or list that had it, as clicking
// beside a text field does elsewhere.
void pressed(QWidget* receiver) {
    if (!skinned(receiver)) return;
    for (QWidget* w = receiver; w; w = w->isWindow() ? nullptr : w->parentWidget())
        if (w->focusPolicy() & Qt::ClickFocus) return;
    if (QApplication::focusWidget() != receiver->window()) receiver->window()->setFocus(Qt::MouseFocusReason);
}

class InputFilter : public QObject {
  public:
    bool eventFilter(QObject* object, QEvent* event) override {
        // Every object of the process passes here, the embedded browser's
        // own among them: look at the event before touching the object.
        const QEvent::Type type = event->type();
        if (type != QEvent::KeyPress && type != QEvent::MouseButtonPress && type != QEvent::Wheel)
            return false;
        if (!object->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(object);
        switch (type) {
            case QEvent::KeyPress:
                return keyPressed(widget, static_cast<QKeyEvent*>(event));
            case QEvent::MouseButtonPress:
                pressed(widget);
                break;
            case QEvent::Wheel:
                // What a list or another control leaves reaches the window.
                if (widget->isWindow() && skinned(widget)) turned(widget, static_cast<QWheelEvent*>(event));
                break;
            default:
                break;
        }
        return false;
    }

  private:
    void turned(QWidget* window, const QWheelEvent* event) {
        // Fine-grained wheels and touchpads send parts of a notch.
        wheelEighths_ += event->angleDelta().y();
        const int steps = wheelEighths_ / 120;
        wheelEighths_ %= 120;
        if (steps != 0) push({EventKind::Wheel, windowNumber(window), 0, {}, Key::None, steps});
    }

    int wheelEighths_ = 0;  // eighths of a degree not yet reported
};

}  // namespace

void installInputFilter() {
    qApp->installEventFilter(new InputFilter);
}

}  // namespace gui::detail
