// Top-level windows: the borderless skinned MainWindow and the captioned
// secondary windows. Close requests and resizes become program events; the
// program decides what closes.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QUrl>
#include <QWindow>
#include <utility>

#include "platform/gui/gui_internal.h"

namespace gui {
namespace detail {
namespace {

class TopWindow : public QWidget {
  public:
    TopWindow(int number, WindowStyle style) : number_(number), style_(style) {
        Qt::WindowFlags flags = Qt::Window;
        switch (style) {
            case WindowStyle::Popup:
                flags |= Qt::FramelessWindowHint;
                break;
            case WindowStyle::Dialog:
                flags |= Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                         Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;
                break;
            case WindowStyle::Sizeable:
                flags |= Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                         Qt::WindowCloseButtonHint;
                break;
        }
        setWindowFlags(flags);
        setMouseTracking(true);
        if (style == WindowStyle::Popup && QGuiApplication::platformName() == "wayland") {
            // Wayland has no window masks: the compositor shows what we leave transparent.
            setAttribute(Qt::WA_TranslucentBackground);
            translucent_ = true;
        } else {
            // The paint below covers every pixel: the toolkit need not clear first.
            setAttribute(Qt::WA_OpaquePaintEvent);
        }
    }

    void setBackgroundImage(int image) {
        if (image != 0 && backgroundImage_ == 0 && hooks_ == 0) ++hooks_;
        backgroundImage_ = image;
        deviceShapeStale_ = true;
        update();
    }
    int hooks() const { return hooks_; }
    int backgroundImage() const { return backgroundImage_; }
    void setShape(const std::vector<Rect>& rects) {
        shape_ = rects;
        QRegion region;
        if (!rects.empty()) {
            std::vector<QRect> qrects;
            qrects.reserve(rects.size());
            for (const Rect& r : rects) qrects.emplace_back(r.x, r.y, r.w, r.h);
            region.setRects(qrects.data(), int(qrects.size()));
        }
        region_ = region;
        refreshShape();
        update();
    }
    // On X11 the mask cuts the window; on Wayland, where the cut pixels are
    // drawn transparent, it becomes the surface's input region, so clicks
    // there reach what lies beneath. At another density than 1 the X11
    // outline is cut in device pixels from the skin as drawn (shapeInDevicePixels).
    void refreshShape() {
        if (QGuiApplication::platformName() == "offscreen") return;
        if (QGuiApplication::platformName() == "xcb" && devicePixelRatioF() != 1) {
            if (!mask().isEmpty()) clearMask();
            deviceShapeStale_ = true;
            if (isVisible()) shapeInDevicePixels();
        } else if (region_.isEmpty()) {
            clearMask();
        } else {
            setMask(region_);
        }
    }
    const std::vector<Rect>& shape() const { return shape_; }
    void startDrag() {
        // The program asks for the drag after the press has been queued; a tap
        // may have delivered its release meanwhile. A move begun then would
        // wait for a release that never comes: the window would follow the
        // pointer until the next click.
        if (!leftHeld_) return;
        if (windowHandle() && windowHandle()->startSystemMove()) return;
        // No window manager took the request: move the window ourselves.
        dragging_ = true;
        dragOffset_ = QCursor::pos() - pos();
        grabMouse();
    }

  protected:
    bool event(QEvent* event) override {
        // The skinned window's screen decides the density of what is drawn.
        if (style_ == WindowStyle::Popup &&
            (event->type() == QEvent::ScreenChangeInternal || event->type() == QEvent::Show))
            followDensity(devicePixelRatioF());
        const bool handled = QWidget::event(event);
        if (event->type() == QEvent::Show && deviceShapeStale_) shapeInDevicePixels();
        return handled;
    }
    void paintEvent(QPaintEvent* event) override {
        if (style_ == WindowStyle::Popup) followDensity(devicePixelRatioF());
        if (deviceShapeStale_) shapeInDevicePixels();
        QPainter painter(this);
        const qreal density = paintInDevicePixels(painter);
        if (translucent_ && density == 1 && !region_.isEmpty()) painter.setClipRegion(region_);
        QImage* image = backgroundImage_ ? findImage(backgroundImage_) : nullptr;
        if (image && !image->isNull()) {
            // The cut pixels transparent, where the compositor shows what we leave so.
            const QImage& shown = translucent_ && density != 1 ? cutOut(*image) : *image;
            const QSize tile = shown.devicePixelRatio() == density
                                   ? shown.size()
                                   : QSize(toDevice(logicalSize(shown).width(), density),
                                           toDevice(logicalSize(shown).height(), density));
            // Tiles from (0, 0), column by column, until the client area is covered.
            for (int x = 0; x < toDevice(width(), density); x += tile.width())
                for (int y = 0; y < toDevice(height(), density); y += tile.height())
                    drawAtDensity(painter, QPoint(x, y), shown, density);
        } else {
            painter.fillRect(toDevice(event->rect(), density), palette().window());
        }
        paintWindowPictures(painter, this, event->rect(), density);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        leftHeld_ = true;
        push({EventKind::LeftButtonDown, number_, 0, {}});
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (dragging_) move(event->globalPosition().toPoint() - dragOffset_);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) leftHeld_ = false;
        if (dragging_) {
            dragging_ = false;
            releaseMouse();
        }
    }
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        push({EventKind::CloseRequest, number_, 0, {}});
    }
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (event->mimeData()->hasUrls()) event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override {
        auto& dropped = registry().dropped;
        for (const QUrl& url : event->mimeData()->urls())
            dropped.push_back((url.isLocalFile() ? url.toLocalFile() : url.toString()).toStdString());
        event->acceptProposedAction();
        push({EventKind::Drop, number_, 0, {}});
    }
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        push({EventKind::WindowResized, number_, 0, {}});
    }

  private:
    // The outline in device pixels: cut from the skin as drawn when it is
    // drawn for the window's density, else the program's rectangles scaled.
    void shapeInDevicePixels() {
        if (QGuiApplication::platformName() != "xcb") return;
        const qreal density = devicePixelRatioF();
        if (density == 1) return;
        deviceShapeStale_ = false;
        std::vector<QRect> rects;
        const QImage* skin = backgroundImage_ ? findImage(backgroundImage_) : nullptr;
        if (!shape_.empty() && skin && !skin->isNull() && skin->devicePixelRatio() == density)
            rects = keyedOutline(*skin);
        else
            for (const Rect& r : shape_) rects.push_back(toDevice(QRect(r.x, r.y, r.w, r.h), density));
        setDeviceShape(this, rects, shape_.empty() || rects.empty());
    }
    // The skin with its key-colour pixels transparent, kept while it is the same.
    const QImage& cutOut(const QImage& skin) {
        if (cut_.isNull() || cutFrom_ != skin.cacheKey()) {
            cut_ = skin.convertToFormat(QImage::Format_ARGB32_Premultiplied);
            const QRgb key = cut_.pixel(0, 0) & 0xFFFFFF;
            for (int y = 0; y < cut_.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(cut_.scanLine(y));
                for (int x = 0; x < cut_.width(); ++x)
                    if ((row[x] & 0xFFFFFF) == key) row[x] = 0;
            }
            cutFrom_ = skin.cacheKey();
        }
        return cut_;
    }

    int number_;
    WindowStyle style_;
    bool deviceShapeStale_ = false;
    QImage cut_;
    qint64 cutFrom_ = 0;
    int backgroundImage_ = 0;
    int hooks_ = 0;
    bool translucent_ = false;
    bool dragging_ = false;
    bool leftHeld_ = false;  // a left press on the window itself has not been released yet
    QPoint dragOffset_;
    QRegion region_;
    std::vector<Rect> shape_;
};

TopWindow* topWindow(int window) {
    return dynamic_cast<TopWindow*>(windowWidget(window));
}

}  // namespace

void applyShape(QWidget* window, const std::vector<Rect>& rects) {
    if (auto* top = dynamic_cast<TopWindow*>(window)) top->setShape(rects);
}

void windowsFollowDensity() {
    for (const auto& [number, record] : registry().windows)
        if (auto* top = dynamic_cast<TopWindow*>(record.widget.data())) {
            top->refreshShape();
            top->update();
        }
}

}  // namespace detail

using namespace detail;

bool createWindow(int window, WindowStyle style, int clientW, int clientH, const std::string& title) {
    if (!initialized()) return false;
    destroyWindow(window);
    auto* widget = new TopWindow(window, style);
    widget->setWindowTitle(QString::fromStdString(title));
    widget->resize(clientW, clientH);
    if (style != WindowStyle::Sizeable) widget->setFixedSize(clientW, clientH);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        widget->move(available.center() - QPoint(clientW / 2, clientH / 2));
    }
    registry().windows[window] = {widget, style};
    return true;
}

void destroyWindow(int window) {
    auto& r = registry();
    auto it = r.windows.find(window);
    if (it == r.windows.end()) return;
    for (auto c = r.controls.begin(); c != r.controls.end();) {
        if (c->second.window == window)
            c = r.controls.erase(c);
        else
            ++c;
    }
    QWidget* widget = it->second.widget.data();
    r.windows.erase(it);
    delete widget;
}

bool windowExists(int window) {
    return windowWidget(window) != nullptr;
}

void showWindow(int window) {
    if (QWidget* w = windowWidget(window)) {
        w->show();
        if (QGuiApplication::platformName() != "offscreen") w->raise();
    }
}

bool windowVisible(int window) {
    QWidget* w = windowWidget(window);
    return w && w->isVisible();
}

void setWindowClientSize(int window, int w, int h) {
    auto it = registry().windows.find(window);
    if (it == registry().windows.end() || !it->second.widget) return;
    QWidget* widget = it->second.widget;
    if (it->second.style != WindowStyle::Sizeable)
        widget->setFixedSize(w, h);
    else
        widget->resize(w, h);
}

Rect windowClientRect(int window) {
    QWidget* w = windowWidget(window);
    if (!w) return {};
    const QPoint origin = w->mapToGlobal(QPoint(0, 0));
    return {origin.x(), origin.y(), w->width(), w->height()};
}

void setWindowBackground(int window, Rgb colour) {
    if (QWidget* w = windowWidget(window)) {
        QPalette palette = w->palette();
        palette.setColor(QPalette::Window, toQColor(colour));
        w->setPalette(palette);
        w->setAutoFillBackground(true);
    }
}

void setWindowSizeLimits(int window, int minW, int minH, int maxW, int maxH) {
    if (QWidget* w = windowWidget(window)) {
        w->setMinimumSize(minW, minH);
        w->setMaximumSize(maxW, maxH);
    }
}

void raiseWindow(int window) {
    QWidget* w = windowWidget(window);
    if (!w) return;
    if (w->isMinimized()) w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->show();
    w->raise();
    w->activateWindow();
}

void acceptDrops(int window) {
    if (QWidget* w = windowWidget(window)) w->setAcceptDrops(true);
}

std::vector<std::string> takeDroppedItems() {
    return std::exchange(registry().dropped, {});
}

void minimizeWindow(int window) {
    if (QWidget* w = windowWidget(window)) w->showMinimized();
}

std::string windowTitle(int window) {
    QWidget* w = windowWidget(window);
    return w ? w->windowTitle().toStdString() : std::string();
}

void setWindowShape(int window, const std::vector<Rect>& rects) {
    if (auto* top = topWindow(window)) top->setShape(rects);
}

std::vector<Rect> windowShape(int window) {
    auto* top = topWindow(window);
    return top ? top->shape() : std::vector<Rect>{};
}

void setWindowBackgroundImage(int window, int image) {
    if (auto* top = topWindow(window)) top->setBackgroundImage(image);
}

int windowBackgroundImage(int window) {
    auto* top = topWindow(window);
    return top ? top->backgroundImage() : 0;
}

int windowBackgroundHooks(int window) {
    auto* top = topWindow(window);
    return top ? top->hooks() : 0;
}

void startWindowDrag(int window) {
    if (auto* top = topWindow(window)) top->startDrag();
}

void paintWindowNow(int window, int timeoutMs) {
    QWidget* w = windowWidget(window);
    if (!w) return;
    // Until the display server has mapped the window, a paint shows nothing.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < timeoutMs && !(w->windowHandle() && w->windowHandle()->isExposed()))
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    w->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void* nativeWindowHandle(int window) {
    return windowWidget(window);
}

unsigned long x11WindowId(int window) {
    QWidget* w = windowWidget(window);
    if (!w || QGuiApplication::platformName() != "xcb") return 0;
    return static_cast<unsigned long>(w->winId());
}

}  // namespace gui
