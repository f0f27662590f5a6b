// Pictures painted by their window: the picture control, the surface that
// paints a window's pictures under its widgets as one damaged rectangle per
// pass, and the direct blend of that rectangle into the X11 backing store.
#include <QBackingStore>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <cmath>
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
    void paint(QPainter& painter, const QRect& area, qreal density) const;

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
        if (!image.isNull() && size() != logicalSize(image)) resize(logicalSize(image));
        // Unchanged pixels keep the old snapshot: sharing the new one would
        // make the next drawing on the source copy it (the 35 ms refresh
        // redraws every picture, mostly with the same pixels).
        const bool waited = waiting_.has_value();
        waiting_.reset();
        if (!waited && takenAt_ == devicePixelRatioF() && samePixels(image, snapshot_)) return false;
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
    // On the window's painter, drawing in device pixels at the density.
    void paintOn(QPainter& painter, const QRect& area, qreal density) {
        if (!area.intersects(geometry())) return;
        decodeWaiting();
        drawAtDensity(painter, QPoint(toDevice(x(), density), toDevice(y(), density)), snapshot_, density);
    }
    // Whether blendOn can draw what the picture shows within `area`: plain
    // pixels made for the density.
    bool plainOver(const QRect& area, qreal density) {
        if (!area.intersects(geometry())) return true;
        decodeWaiting();
        return snapshot_.isNull() || (plainPixels(snapshot_) && snapshot_.devicePixelRatio() == density);
    }
    // Blends the picture into the device pixels `clip` of the window's
    // backing store, when it meets `area` (skin pixels).
    void blendOn(QImage& target, const QRect& area, const QRect& clip, qreal density) const {
        if (!snapshot_.isNull() && area.intersects(geometry()))
            blendImage(target, snapshot_, toDevice(x(), density), toDevice(y(), density), clip);
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
        drawAtDensity(painter, QPoint(0, 0), snapshot_, paintInDevicePixels(painter));
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
        takenAt_ = devicePixelRatioF();
        // An opaque picture covers the widget: the window's skin under it is
        // not painted first, so a changed picture repaints only itself. Only
        // at a whole density is it sure to cover every device pixel.
        const qreal density = image.devicePixelRatio();
        if (!surface_)
            setAttribute(Qt::WA_OpaquePaintEvent, !image.hasAlphaChannel() && logicalSize(image) == size() &&
                                                      density == takenAt_ && density == std::floor(density));
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
        take(shared ? *shared : decodeEncoded(wanted.encoded));
    }

    struct Waiting {
        int image;
        EncodedImage encoded;
    };
    int control_;
    int window_;
    QPointer<WindowSurface> surface_;  // set when drawn on its window
    QImage snapshot_;
    qreal takenAt_ = 0;               // the widget's density when the snapshot was taken
    std::optional<Waiting> waiting_;  // an image to decode at the first paint
};

void WindowSurface::paint(QPainter& painter, const QRect& area, qreal density) const {
    for (PictureWidget* picture : pictures_) picture->paintOn(painter, area, density);
}

// The damage blended straight into the window's backing store and sent to
// the X server: the toolkit's repaint of a window (its paint event, a
// painter, the walk over every widget) costs several times the blend. Only
// where no widget shows and what is blended is plain 32-bit pixels made for
// the window's density; anything else is left to the toolkit's repaint.
bool WindowSurface::paintDirectly(const QRect& area) {
    static const bool x11 = QGuiApplication::platformName() == "xcb";
    QWindow* handle = window_->windowHandle();
    QBackingStore* store = window_->backingStore();
    // A store the toolkit has not sized yet (the window's first expose) has
    // no pixels to paint into.
    if (!x11 || area.isEmpty() || !handle || !handle->isExposed() || !store || store->size().isEmpty() ||
        window_->testAttribute(Qt::WA_TranslucentBackground))
        return false;
    // A skin pixel's edges fall between device pixels at a fractional density:
    // the blend then reaches one device pixel further on each side.
    const qreal density = window_->devicePixelRatioF();
    const int margin = density == std::floor(density) ? 0 : 1;
    const QRect reach = area.adjusted(-margin, -margin, margin, margin);
    for (const QObject* child : window_->children())
        if (child->isWidgetType()) {
            const auto* widget = static_cast<const QWidget*>(child);
            if (widget->isVisible() && widget->geometry().intersects(reach)) return false;
        }
    // An opaque background: one with alpha would show the toolkit's fill beneath.
    const QImage* background = findImage(windowBackgroundImage(windowNumber(window_)));
    if (!background || background->isNull() || background->format() != QImage::Format_RGB32 ||
        background->devicePixelRatio() != density)
        return false;
    for (PictureWidget* picture : pictures_)
        if (!picture->plainOver(reach, density)) return false;
    store->beginPaint(area);
    QPaintDevice* device = store->paintDevice();
    QImage* target = device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
    const bool blended = target && plainPixels(*target);
    if (blended) {
        const QRect clip =
            toDevice(area, density).adjusted(-margin, -margin, margin, margin) & target->rect();
        // Tiled from (0, 0), as the window paints it.
        const int tileW = background->width(), tileH = background->height();
        for (int x = clip.left() / tileW * tileW; x <= clip.right(); x += tileW)
            for (int y = clip.top() / tileH * tileH; y <= clip.bottom(); y += tileH)
                blendImage(*target, *background, x, y, clip);
        for (PictureWidget* picture : pictures_) picture->blendOn(*target, reach, clip, density);
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

void paintWindowPictures(QPainter& painter, const QWidget* window, const QRect& area, qreal density) {
    if (const WindowSurface* surface = WindowSurface::find(window)) surface->paint(painter, area, density);
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
