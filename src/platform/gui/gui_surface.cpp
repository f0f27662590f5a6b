// Pictures painted by their window: the picture control, the surface that
// paints a window's pictures under its widgets as one damaged rectangle per
// pass, and the direct blend of that rectangle into the X11 backing store.
#include <QBackingStore>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <cstring>
#include <optional>

#include "platform/gui/gui_internal.h"

namespace gui {
namespace detail {
namespace {

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
    // A store the toolkit has not sized yet (the window's first expose) has
    // no pixels to paint into.
    if (!x11 || area.isEmpty() || !handle || !handle->isExposed() || !store || store->size().isEmpty() ||
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

PictureWidget* pictureWidget(int control) {
    auto it = registry().controls.find(control);
    if (it == registry().controls.end() || it->second.kind != ControlKind::Picture) return nullptr;
    return static_cast<PictureWidget*>(it->second.widget.data());
}

}  // namespace

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

bool relocatePicture(int control, const QRect& target) {
    PictureWidget* picture = pictureWidget(control);
    if (!picture) return false;
    picture->relocate(target);
    return true;
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

}  // namespace gui
