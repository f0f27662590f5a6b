// Controls: edit field, combo box, panels, report lists, push buttons,
// hyperlinks, the scrolling panel and the web-view host, and what every
// control shares (place, move, text, tooltip). Each widget turns its own
// clicks into program events. Pictures live in gui_surface.cpp.
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTreeWidget>

#include "platform/gui/gui_internal.h"

namespace gui {
namespace detail {
namespace {

uint64_t controlsMadeSoFar = 0;

class ListWidget : public QTreeWidget {
  public:
    ListWidget(int control, int window, QWidget* parent)
        : QTreeWidget(parent), control_(control), window_(window) {}

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        QTreeWidget::mousePressEvent(event);
        if (event->button() == Qt::LeftButton) pushControl(window_, control_, ControlEventType::Left);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        QTreeWidget::mouseReleaseEvent(event);
        if (event->button() == Qt::RightButton) pushControl(window_, control_, ControlEventType::Right);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        QTreeWidget::mouseDoubleClickEvent(event);
        if (event->button() == Qt::LeftButton) pushControl(window_, control_, ControlEventType::Double);
    }

  private:
    int control_;
    int window_;
};

class HyperlinkWidget : public QLabel {
  public:
    HyperlinkWidget(int control, int window, QWidget* parent)
        : QLabel(parent), control_(control), window_(window) {
        setCursor(Qt::PointingHandCursor);
        setColour(QColor(0, 0, 0));
        // Centred in its box: a row of evenly spaced boxes then shows evenly
        // spaced letters, wide ones ("m", "w") included.
        setAlignment(Qt::AlignCenter);
    }

  protected:
    void enterEvent(QEnterEvent*) override { setColour(QColor(252, 1, 3)); }
    void leaveEvent(QEvent*) override { setColour(QColor(0, 0, 0)); }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            pushControl(window_, control_, ControlEventType::Left);
    }

  private:
    void setColour(const QColor& colour) {
        QPalette p = palette();
        p.setColor(QPalette::WindowText, colour);
        setPalette(p);
    }
    int control_;
    int window_;
};

}  // namespace

void pushControl(int window, int control, ControlEventType type) {
    push({EventKind::Control, window, control, type});
}

void place(QWidget* widget, Rect r) {
    widget->setGeometry(r.x, r.y, std::max(0, r.w), std::max(0, r.h));
    widget->show();
}

QWidget* parentFor(int window, int panel) {
    if (panel != 0) {
        auto it = registry().controls.find(panel);
        if (it != registry().controls.end() && it->second.widget) {
            if (auto* area = qobject_cast<QScrollArea*>(it->second.widget.data())) return area->widget();
            return it->second.widget;
        }
    }
    return windowWidget(window);
}

void registerControl(int control, ControlKind kind, QWidget* widget, int window) {
    auto& controls = registry().controls;
    if (auto old = controls.find(control); old != controls.end()) delete old->second.widget.data();
    controls[control] = {kind, widget, window, 0};
    ++controlsMadeSoFar;
}

void countControlsRemade() {
    ++controlsMadeSoFar;
}

}  // namespace detail

using namespace detail;

uint64_t controlsMade() {
    return controlsMadeSoFar;
}

void setClickThrough(int control) {
    if (QWidget* w = controlWidget(control)) w->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void setEditColours(int control, Rgb text, Rgb background) {
    if (auto* edit = qobject_cast<QLineEdit*>(controlWidget(control))) {
        QPalette p = edit->palette();
        p.setColor(QPalette::Text, toQColor(text));
        p.setColor(QPalette::Base, toQColor(background));
        edit->setPalette(p);
    }
}

void createEdit(int control, int parent, int panel, Rect r, const std::string& text, bool sunkenBorder) {
    QWidget* host = parentFor(parent, panel);
    if (!host) return;
    auto* edit = new QLineEdit(QString::fromStdString(text), host);
    edit->setFrame(sunkenBorder);
    if (!sunkenBorder) edit->setTextMargins(0, 0, 0, 0);
    place(edit, r);
    registerControl(control, ControlKind::Edit, edit, parent);
}

void createCombo(int control, int parent, int panel, Rect r, Rgb textColour, Rgb background) {
    QWidget* host = parentFor(parent, panel);
    if (!host) return;
    auto* combo = new QComboBox(host);
    QPalette p = combo->palette();
    for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        p.setColor(role, toQColor(textColour));
    for (auto role : {QPalette::Base, QPalette::Window, QPalette::Button})
        p.setColor(role, toQColor(background));
    combo->setPalette(p);
    combo->view()->setPalette(p);
    QObject::connect(combo, &QComboBox::activated, combo,
                     [parent, control](int) { pushControl(parent, control, ControlEventType::Left); });
    place(combo, r);
    registerControl(control, ControlKind::Combo, combo, parent);
}

void createPanel(int control, int parent, int panel, Rect r, bool black) {
    QWidget* host = parentFor(parent, panel);
    if (!host) return;
    auto* widget = new QWidget(host);
    widget->setMouseTracking(true);
    if (black) {
        QPalette p = widget->palette();
        p.setColor(QPalette::Window, Qt::black);
        widget->setPalette(p);
        widget->setAutoFillBackground(true);
    }
    place(widget, r);
    registerControl(control, ControlKind::Panel, widget, parent);
}

void createList(int control, int parent, int panel, Rect r, const std::string& caption, int columnWidth,
                bool bare, Rgb background) {
    QWidget* host = parentFor(parent, panel);
    if (!host) return;
    auto* list = new ListWidget(control, parent, host);
    list->setColumnCount(1);
    list->setHeaderLabels({QString::fromStdString(caption)});
    // A bare list is wider than its clipping panel: its column ends where
    // the panel does, so that a long row is elided where it is seen.
    if (bare) list->header()->setStretchLastSection(false);
    list->setColumnWidth(0, bare ? std::min(columnWidth, host->width() - r.x) : columnWidth);
    tooltipsForElidedRows(list);
    list->setRootIsDecorated(false);
    list->setIndentation(0);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setIconSize(QSize(16, 16));
    list->setMouseTracking(true);
    list->viewport()->setMouseTracking(true);
    list->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    list->setLineWidth(2);
    QPalette p = list->palette();
    // The selection stays visible while the list is not focused.
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    if (bare) {
        p.setColor(QPalette::Base, toQColor(background));
        p.setColor(QPalette::Text, QColor(165, 165, 165));
        // The dark lists select in the skin's red, not the desktop's accent.
        for (auto group : {QPalette::Active, QPalette::Inactive}) {
            p.setColor(group, QPalette::Highlight, QColor(188, 1, 3));
            p.setColor(group, QPalette::HighlightedText, QColor(255, 255, 255));
        }
        // Within its clipping panel only the rows show: the header (exactly
        // the 26 pixels above the panel) and the scroll bars lie outside. No
        // edge: its light bottom line would show along the panel's last row.
        list->setFrameStyle(QFrame::NoFrame);
        list->header()->setFixedHeight(26);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    list->setPalette(p);
    place(list, r);
    registerControl(control, ControlKind::List, list, parent);
}

void createPushButton(int control, int parent, int panel, Rect r, const std::string& text) {
    QWidget* host = parentFor(parent, panel);
    if (!host) return;
    auto* button = new QPushButton(QString::fromStdString(text), host);
    QObject::connect(button, &QPushButton::clicked, button,
                     [parent, control] { pushControl(parent, control, ControlEventType::Left); });
    place(button, r);
    registerControl(control, ControlKind::PushButton, button, parent);
}

void createHyperlink(int control, int parent, int panel, Rect r, const std::string& text) {
    QWidget* host = parentFor(parent, panel);
    if (!host) return;
    auto* link = new HyperlinkWidget(control, parent, host);
    link->setText(QString::fromStdString(text));
    place(link, r);
    registerControl(control, ControlKind::Hyperlink, link, parent);
}

void createScrollArea(int control, int parent, int panel, Rect r, int innerW, int innerH, int step) {
    QWidget* host = parentFor(parent, panel);
    if (!host) return;
    auto* area = new QScrollArea(host);
    area->setFrameStyle(QFrame::Box | QFrame::Plain);
    area->setLineWidth(1);
    auto* inner = new QWidget;
    inner->resize(innerW, innerH);
    area->setWidget(inner);
    area->verticalScrollBar()->setSingleStep(step);
    area->horizontalScrollBar()->setSingleStep(step);
    place(area, r);
    registerControl(control, ControlKind::ScrollArea, area, parent);
}

void createHost(int control, int parent, int panel, Rect r) {
    QWidget* host = parentFor(parent, panel);
    if (!host) return;
    auto* widget = new QWidget(host);
    place(widget, r);
    registerControl(control, ControlKind::Host, widget, parent);
}

Rect controlRect(int control) {
    QWidget* w = controlWidget(control);
    if (!w) return {};
    const QRect g = w->geometry();
    return {g.x(), g.y(), g.width(), g.height()};
}

Rect controlScreenRect(int control) {
    QWidget* w = controlWidget(control);
    if (!w) return {};
    const QPoint origin = w->mapToGlobal(QPoint(0, 0));
    return {origin.x(), origin.y(), w->width(), w->height()};
}

namespace {

void reposition(int control, QWidget* w, const QRect& target) {
    if (!relocatePicture(control, target)) w->setGeometry(target);
}

}  // namespace

void moveControl(int control, int x, int y) {
    if (QWidget* w = controlWidget(control)) reposition(control, w, {QPoint(x, y), w->size()});
}

void setControlX(int control, int x) {
    if (QWidget* w = controlWidget(control)) reposition(control, w, {QPoint(x, w->y()), w->size()});
}

void setControlY(int control, int y) {
    if (QWidget* w = controlWidget(control)) reposition(control, w, {QPoint(w->x(), y), w->size()});
}

void resizeControl(int control, int w, int h) {
    if (QWidget* widget = controlWidget(control)) reposition(control, widget, {widget->pos(), QSize(w, h)});
}

void setTooltip(int control, const std::string& text) {
    if (QWidget* w = controlWidget(control)) w->setToolTip(QString::fromStdString(text));
}

std::string tooltip(int control) {
    QWidget* w = controlWidget(control);
    return w ? w->toolTip().toStdString() : std::string();
}

void setText(int control, const std::string& value) {
    QWidget* w = controlWidget(control);
    const QString text = QString::fromStdString(value);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(text);
    else if (auto* button = qobject_cast<QPushButton*>(w))
        button->setText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(w))
        combo->setEditText(text);
}

std::string text(int control) {
    QWidget* w = controlWidget(control);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text().toStdString();
    if (auto* button = qobject_cast<QPushButton*>(w)) return button->text().toStdString();
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText().toStdString();
    return {};
}

void* nativeHandle(int control) {
    return controlWidget(control);
}

}  // namespace gui
