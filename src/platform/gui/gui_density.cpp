// Drawing at the screen's density: the pictures of the program's own at any
// density, painting pixel for pixel, and following the skinned window to a
// screen of another density.
//
// The program carries renders of its pictures at one, two and three device
// pixels per skin pixel: decoding one costs a few milliseconds, where
// rendering the documents would open librsvg with cairo and pango (over
// 20 MB) and take tens of milliseconds at every start. Only a density
// between them renders the documents, each picture once.
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "platform/gui/gui_internal.h"
#include "platform/image/svg.h"

namespace gui::detail {
namespace {

qreal current = 0;  // 0 until a window or the first drawing asks

// Pictures of the program's own are large at a high density (a skin at 2x
// is 4.6 MB), and an idle window, once painted, needs none of them: one not
// used for kRest goes back to its encoded form, to be decoded again (in a
// few milliseconds) when next drawn.
using Clock = std::chrono::steady_clock;
constexpr auto kRest = std::chrono::seconds(10);
std::unordered_map<int, Clock::time_point> lastUse;
QTimer* restTimer = nullptr;

using Finish = PictureSource::Finish;

// A pixel of a Keyed picture from its colour and coverage: the key where
// the outline leaves more than half of it, else the opaque colour.
QRgb keyed(QRgb plain, int alpha, QRgb key) {
    return alpha < 128 ? key : (0xFF000000u | plain);
}

// The finished picture from plain (not premultiplied) ARGB pixels.
QImage finish(const image::Picture& picture, const PictureSource& source) {
    const QRgb key = qRgb(source.key.r, source.key.g, source.key.b);
    if (source.finish == Finish::WithAlpha) {
        QImage out(picture.width, picture.height, QImage::Format_ARGB32);
        std::memcpy(out.bits(), picture.argb.data(), picture.argb.size() * 4);
        return out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    QImage out(picture.width, picture.height, QImage::Format_RGB32);
    auto* to = reinterpret_cast<QRgb*>(out.bits());
    for (size_t i = 0; i < picture.argb.size(); ++i) {
        const QRgb p = picture.argb[i];
        const int a = qAlpha(p);
        to[i] = source.finish == Finish::Keyed
                    ? keyed(p, a, key)
                    : qRgb(qRed(p) * a / 255, qGreen(p) * a / 255, qBlue(p) * a / 255);
    }
    return out;
}

// The first render scaled to the density, for want of the document: a skin's
// key colour is taken out before the smooth scaling and put back after it,
// so that no edge pixel mixes key and skin.
QImage firstRenderScaled(const PictureSource& source, qreal density) {
    QImage first = decodeImage(source.png[0]);
    if (first.isNull()) return first;
    const QSize size(toDevice(first.width(), density), toDevice(first.height(), density));
    if (source.finish != Finish::Keyed)
        return first.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QRgb key = qRgb(source.key.r, source.key.g, source.key.b);
    QImage cut = first.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < cut.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(cut.scanLine(y));
        for (int x = 0; x < cut.width(); ++x)
            if ((row[x] & 0xFFFFFF) == (key & 0xFFFFFF)) row[x] = 0;
    }
    const QImage scaled = cut.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_ARGB32);
    image::Picture plain{scaled.width(), scaled.height(), true,
                         std::vector<uint32_t>(size_t(scaled.width()) * scaled.height())};
    for (int y = 0; y < scaled.height(); ++y)
        std::memcpy(plain.argb.data() + size_t(y) * scaled.width(), scaled.constScanLine(y),
                    size_t(scaled.width()) * 4);
    return finish(plain, source);
}

// The decoded picture waits to be decoded again from its source.
void forgetDecoded(int image) {
    Registry& r = registry();
    auto decoded = r.images.find(image);
    auto source = r.sources.find(image);
    if (decoded == r.images.end() || source == r.sources.end()) return;
    r.undecoded[image] = {source->second->png[0], nullptr, logicalSize(decoded->second), source->second};
    r.images.erase(decoded);
}

// The rest timer keeps whole seconds only and may fire up to a second
// early: a picture that has rested nearly kRest rests now, and the timer
// never runs for less than a second (shorter, it would fire at once, again
// and again, until the time came).
constexpr auto kSlack = std::chrono::seconds(1);

void restPictures() {
    const auto now = Clock::now();
    auto next = Clock::time_point::max();
    for (auto it = lastUse.begin(); it != lastUse.end();) {
        if (now - it->second >= kRest - kSlack) {
            forgetDecoded(it->first);
            it = lastUse.erase(it);
        } else {
            next = std::min(next, it->second + kRest);
            ++it;
        }
    }
    if (!lastUse.empty())
        restTimer->start(
            std::max<std::chrono::milliseconds>(kSlack, std::chrono::ceil<std::chrono::seconds>(next - now)));
}

}  // namespace

void pictureUsed(int image) {
    if (density() == 1) return;
    lastUse[image] = Clock::now();
    if (!restTimer) {
        restTimer = new QTimer(QCoreApplication::instance());
        restTimer->setSingleShot(true);
        restTimer->setTimerType(Qt::VeryCoarseTimer);
        QObject::connect(restTimer, &QTimer::timeout, restPictures);
    }
    if (!restTimer->isActive()) restTimer->start(kRest);
}

qreal density() {
    if (current == 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        current = screen ? screen->devicePixelRatio() : 1;
    }
    return current;
}

void followDensity(qreal density) {
    if (density <= 0 || density == detail::density()) return;
    current = density;
    Registry& r = registry();
    // The program's own pictures are decoded anew where they are next used.
    std::vector<int> decoded;
    for (const auto& [image, source] : r.sources)
        if (r.images.count(image)) decoded.push_back(image);
    for (int image : decoded) forgetDecoded(image);
    lastUse.clear();
    redrawCanvases(density);
    for (const auto& [control, record] : r.controls)
        if (record.kind == ControlKind::Picture) setControlImage(control, record.image);
    countControlsRemade();
    windowsFollowDensity();
}

QImage pictureAt(const PictureSource& source, qreal density) {
    QImage out;
    const int carried = density == 1 ? 0 : density == 2 ? 1 : density == 3 ? 2 : -1;
    if (carried >= 0 && !source.png[carried].empty()) out = decodeImage(source.png[carried]);
    if (out.isNull() && density == 1) return out;
    if (out.isNull()) {
        std::string why;
        const image::Area area{source.area.x, source.area.y, source.area.w, source.area.h};
        if (auto rendered = image::renderSvg(source.svg, density, area, &why)) {
            out = finish(*rendered, source);
        } else {
            static bool warned = false;
            if (!warned)
                std::fprintf(
                    stderr,
                    "kestrel-player: the skin cannot be drawn from its SVG sources (%s); it is scaled "
                    "from its carried pictures instead\n",
                    why.c_str());
            warned = true;
            out = firstRenderScaled(source, density);
        }
    }
    out.setDevicePixelRatio(density);
    return out;
}

qreal paintInDevicePixels(QPainter& painter) {
    const QTransform toDevice = painter.deviceTransform();
    const qreal density = toDevice.m11();
    if (density == 1 && toDevice.m22() == 1) return 1;
    const QPointF origin(qRound(toDevice.dx()), qRound(toDevice.dy()));
    painter.setWorldTransform(QTransform::fromTranslate(origin.x(), origin.y()) * toDevice.inverted());
    return density;
}

void drawAtDensity(QPainter& painter, QPoint at, const QImage& image, qreal density) {
    if (image.isNull()) return;
    if (image.devicePixelRatio() == density) {
        painter.drawImage(QRect(at, image.size()), image, image.rect());
        return;
    }
    const QSize logical = logicalSize(image);
    const QSize size(toDevice(logical.width(), density), toDevice(logical.height(), density));
    const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(at, size), image, image.rect());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

}  // namespace gui::detail
