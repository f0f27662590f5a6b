// Controls: picture hotspots, edit field, combo box, panels, report lists,
// push buttons, hyperlinks, the scrolling panel and the web-view host. Each
// widget turns its own clicks into program events.
#include <QApplication>
#include <QBackingStore>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolTip>
#include <QTreeWidget>
#include <QWindow>
#include <cstring>
#include <optional>

#include "platform/gui/gui_internal.h"

namespace gui {
namespace detail {
namespace {

void pushControl(int window, int control, ControlEventType type) {
    push({EventKind::Control, window, control, type});
}

// One memcmp over the pixels: QImage's own comparison goes pixel by pixel.
bool samePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format()) return false;
    if (a.isNull()) return true;
    if (a.depth() != 32) return a == b;
    const size_t rowBytes = size_t(a.width()) * 4;
    if (size_t(a.bytesPerLine()) == rowBytes && b.bytesPerLine() == a.bytesPerLine())
        return std::memcmp(a.constBits(), b.constBits(), rowBytes * size_t(a.height())) == 0;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), rowBytes) != 0) return false;
    return true;
}

class PictureWidget;

// The pictures a window paints itself instead of leaving them to widgets of
// their own, and the damage not yet painted. A hundred small widgets
// repainting cost a paint event and an X request each; the bounding rectangle
// of what changed in a pass costs one of each. It is painted when the wait
// for events has run its timers (paintSurfaces), directly: a toolkit update
// would post an event that wakes the loop once more. A child of its window,
// it dies with it.
class WindowSurface : public QObject {
  public:
    static WindowSurface* of(QWidget* window) {
        auto it = all().find(window);
        return it != all().end() ? it->second : new WindowSurface(window);
    }
    static const WindowSurface* find(const QWidget* window) {
        auto it = all().find(window);
        return it != all().end() ? it->second : nullptr;
    }
    static void paintAll() {
        for (auto& [window, surface] : all()) surface->paintDamage();
    }
    ~WindowSurface() override { all().erase(window_); }
    void add(PictureWidget* picture) { pictures_.push_back(picture); }
    void remove(PictureWidget* picture) { std::erase(pictures_, picture); }
    void damage(const QRect& area) { pending_ |= area; }
    void paint(QPainter& painter, const QRect& area) const;

  private:
    explicit WindowSurface(QWidget* window) : QObject(window), window_(window) { all()[window] = this; }
    static std::unordered_map<const QWidget*, WindowSurface*>& all() {
        static std::unordered_map<const QWidget*, WindowSurface*> surfaces;
        return surfaces;
    }
    void paintDamage() {
        if (pending_.isEmpty()) return;
        const QRect area = pending_;
        pending_ = QRect();
        if (!paintDirectly(area & window_->rect())) window_->repaint(area);
    }
    bool paintDirectly(const QRect& area);
    QWidget* window_;
    std::vector<PictureWidget*> pictures_;  // in creation order: later ones paint over earlier ones
    QRect pending_;
};

// A static picture: shows a snapshot of an image, reports clicks. Drawn on
// its window, it has no widget on screen: the window paints the snapshot
// under every widget, and clicks reach the window.
class PictureWidget : public QWidget {
  public:
    PictureWidget(int control, int window, QWidget* parent)
        : QWidget(parent), control_(control), window_(window) {
        setMouseTracking(true);
    }
    ~PictureWidget() override {
        if (!surface_) return;
        surface_->remove(this);
        surface_->damage(geometry());
    }
    bool show(const QImage& image) {
        const QRect before = geometry();
        if (!image.isNull() && size() != image.size()) resize(image.size());
        // Unchanged pixels keep the old snapshot: sharing the new one would
        // make the next drawing on the source copy it (the 35 ms refresh
        // redraws every picture, mostly with the same pixels).
        const bool waited = waiting_.has_value();
        waiting_.reset();
        if (!waited && samePixels(image, snapshot_)) return false;
        take(image);
        if (surface_) {
            surface_->damage(before | geometry());
            return true;
        }
        update();
        return true;
    }
    // Shows an image not decoded yet, decoding it when first painted: a
    // picture out of sight costs no memory until it comes into view.
    bool showWhenPainted(int image, const EncodedImage& encoded) {
        if (waiting_ && waiting_->image == image && waiting_->encoded.bytes.data() == encoded.bytes.data())
            return false;
        const QRect before = geometry();
        resize(encoded.size);
        snapshot_ = QImage();
        waiting_ = Waiting{image, encoded};
        setAttribute(Qt::WA_OpaquePaintEvent, false);
        if (surface_)
            surface_->damage(before | geometry());
        else
            update();
        return true;
    }
    // The image this picture waits for was decoded elsewhere first.
    void adopt(int image, const QImage& decoded) {
        if (waiting_ && waiting_->image == image) show(decoded);
    }
    void clear() {
        if (snapshot_.isNull() && !waiting_) return;
        waiting_.reset();
        snapshot_ = QImage();
        if (surface_) {
            surface_->damage(geometry());
            return;
        }
        setAttribute(Qt::WA_OpaquePaintEvent, false);
        update();
    }
    void drawOnWindow() {
        if (surface_ || !parentWidget() || !parentWidget()->isWindow()) return;
        surface_ = WindowSurface::of(parentWidget());
        surface_->add(this);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
        surface_->damage(geometry());
    }
    bool drawnOnWindow() const { return surface_ != nullptr; }
    void paintOn(QPainter& painter, const QRect& area) {
        if (!area.intersects(geometry())) return;
        decodeWaiting();
        if (!snapshot_.isNull()) painter.drawImage(pos(), snapshot_);
    }
    // Whether blendOn can draw what the picture shows within `area`.
    bool plainOver(const QRect& area) {
        if (!area.intersects(geometry())) return true;
        decodeWaiting();
        return snapshot_.isNull() || plainPixels(snapshot_);
    }
    void blendOn(QImage& target, const QRect& area) const {
        if (!snapshot_.isNull() && area.intersects(geometry())) blendImage(target, snapshot_, x(), y(), area);
    }
    // Moves or resizes the control; a picture drawn on its window damages
    // where it was and where it goes.
    void relocate(const QRect& target) {
        const QRect before = geometry();
        setGeometry(target);
        if (surface_ && before != geometry()) surface_->damage(before | geometry());
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        decodeWaiting();
        if (snapshot_.isNull()) return;
        QPainter painter(this);
        painter.drawImage(0, 0, snapshot_);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) pushControl(window_, control_, ControlEventType::Left);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::RightButton) pushControl(window_, control_, ControlEventType::Right);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) pushControl(window_, control_, ControlEventType::Double);
    }

  private:
    void take(const QImage& image) {
        snapshot_ = image;
        // An opaque picture covers the widget: the window's skin under it is
        // not painted first, so a changed picture repaints only itself.
        if (!surface_)
            setAttribute(Qt::WA_OpaquePaintEvent, !image.hasAlphaChannel() && image.size() == size());
    }
    // Decodes the image waited for, sharing it with the image store when the
    // store still holds the same bytes undecoded.
    void decodeWaiting() {
        if (!waiting_) return;
        const Waiting wanted = *waiting_;
        waiting_.reset();
        const EncodedImage* stored = findUndecoded(wanted.image);
        QImage* shared =
            stored && stored->bytes.data() == wanted.encoded.bytes.data() ? findImage(wanted.image) : nullptr;
        take(shared ? *shared : decodeImage(wanted.encoded.bytes));
    }

    struct Waiting {
        int image;
        EncodedImage encoded;
    };
    int control_;
    int window_;
    QPointer<WindowSurface> surface_;  // set when drawn on its window
    QImage snapshot_;
    std::optional<Waiting> waiting_;  // an image to decode at the first paint
};

void WindowSurface::paint(QPainter& painter, const QRect& area) const {
    for (PictureWidget* picture : pictures_) picture->paintOn(painter, area);
}

// The damage blended straight into the window's backing store and sent to
// the X server: the toolkit's repaint of a window (its paint event, a
// painter, the walk over every widget) costs several times the blend. Only
// where no widget shows and what is blended is plain 32-bit pixels at one
// pixel per pixel; anything else is left to the toolkit's repaint.
bool WindowSurface::paintDirectly(const QRect& area) {
    static const bool x11 = QGuiApplication::platformName() == "xcb";
    QWindow* handle = window_->windowHandle();
    QBackingStore* store = window_->backingStore();
    if (!x11 || area.isEmpty() || !handle || !handle->isExposed() || !store ||
        window_->devicePixelRatio() != 1 || window_->testAttribute(Qt::WA_TranslucentBackground))
        return false;
    for (const QObject* child : window_->children())
        if (child->isWidgetType()) {
            const auto* widget = static_cast<const QWidget*>(child);
            if (widget->isVisible() && widget->geometry().intersects(area)) return false;
        }
    // An opaque background: one with alpha would show the toolkit's fill beneath.
    const QImage* background = findImage(windowBackgroundImage(windowNumber(window_)));
    if (!background || background->isNull() || background->format() != QImage::Format_RGB32) return false;
    for (PictureWidget* picture : pictures_)
        if (!picture->plainOver(area)) return false;
    store->beginPaint(area);
    QPaintDevice* device = store->paintDevice();
    QImage* target = device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
    const bool blended = target && plainPixels(*target);
    if (blended) {
        // Tiled from (0, 0), as the window paints it.
        for (int x = area.left() / background->width() * background->width(); x <= area.right();
             x += background->width())
            for (int y = area.top() / background->height() * background->height(); y <= area.bottom();
                 y += background->height())
                blendImage(*target, *background, x, y, area);
        for (PictureWidget* picture : pictures_) picture->blendOn(*target, area);
    }
    store->endPaint();
    if (!blended) return false;
    store->flush(area, handle);
    return true;
}

uint64_t controlsMadeSoFar = 0;

PictureWidget* pictureWidget(int control) {
    auto it = registry().controls.find(control);
    if (it == registry().controls.end() || it->second.kind != ControlKind::Picture) return nullptr;
    return static_cast<PictureWidget*>(it->second.widget.data());
}

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

void place(QWidget* widget, Rect r) {
    widget->setGeometry(r.x, r.y, std::max(0, r.w), std::max(0, r.h));
    widget->show();
}

}  // namespace

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

void paintSurfaces() {
    WindowSurface::paintAll();
}

void imageDecoded(int image, const QImage& decoded) {
    for (auto& [control, record] : registry().controls)
        if (record.kind == ControlKind::Picture && record.widget)
            static_cast<PictureWidget*>(record.widget.data())->adopt(image, decoded);
}

void paintWindowPictures(QPainter& painter, const QWidget* window, const QRect& area) {
    if (const WindowSurface* surface = WindowSurface::find(window)) surface->paint(painter, area);
}

void registerControl(int control, ControlKind kind, QWidget* widget, int window) {
    auto& controls = registry().controls;
    if (auto old = controls.find(control); old != controls.end()) delete old->second.widget.data();
    controls[control] = {kind, widget, window, 0};
    ++controlsMadeSoFar;
}

}  // namespace detail

using namespace detail;

void createPicture(int control, int parent, int panel, Rect r, int image) {
    QWidget* host = parentFor(parent, panel);
    if (!host) return;
    auto* widget = new PictureWidget(control, parent, host);
    place(widget, r);
    registerControl(control, ControlKind::Picture, widget, parent);
    if (image != 0) setControlImage(control, image);
}

bool setControlImage(int control, int image) {
    auto it = registry().controls.find(control);
    if (it == registry().controls.end() || it->second.kind != ControlKind::Picture) return false;
    auto* widget = static_cast<PictureWidget*>(it->second.widget.data());
    if (!widget) return false;
    it->second.image = image;
    if (const EncodedImage* later = image ? findUndecoded(image) : nullptr; later && !later->size.isEmpty())
        return widget->showWhenPainted(image, *later);
    QImage* source = image ? findImage(image) : nullptr;
    if (!source) {
        widget->clear();
        return true;
    }
    return widget->show(*source);
}

void drawOnWindow(int control) {
    if (PictureWidget* picture = pictureWidget(control)) picture->drawOnWindow();
}

std::vector<uint32_t> controlShownPixels(int control) {
    QWidget* w = controlWidget(control);
    if (!w || w->size().isEmpty()) return {};
    // A picture drawn on its window shows what the window paints there.
    const PictureWidget* picture = pictureWidget(control);
    const QImage shown =
        (picture && picture->drawnOnWindow() ? w->parentWidget()->grab(w->geometry()) : w->grab())
            .toImage()
            .convertToFormat(QImage::Format_ARGB32);
    std::vector<uint32_t> out(size_t(shown.width()) * shown.height());
    for (int y = 0; y < shown.height(); ++y)
        std::memcpy(out.data() + size_t(y) * shown.width(), shown.constScanLine(y),
                    size_t(shown.width()) * 4);
    return out;
}

int controlImage(int control) {
    auto it = registry().controls.find(control);
    return it == registry().controls.end() ? 0 : it->second.image;
}

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

void repaintControl(int control) {
    if (QWidget* w = controlWidget(control)) w->update();
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

bool controlExists(int control) {
    return controlWidget(control) != nullptr;
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
    if (PictureWidget* picture = pictureWidget(control))
        picture->relocate(target);
    else
        w->setGeometry(target);
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
