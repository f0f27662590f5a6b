// Numbered images and fonts, and drawing on images.
#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/gui/gui_internal.h"
#include "platform/image/decode.h"

namespace gui {
namespace detail {

namespace {

// The image takes the picture's pixels over: a skin at 2x is 4.6 MB, which
// a copy would touch twice.
QImage toQImage(image::Picture&& picture) {
    auto* pixels = new std::vector<uint32_t>(std::move(picture.argb));
    QImage out(
        reinterpret_cast<uchar*>(pixels->data()), picture.width, picture.height, picture.width * 4,
        picture.hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32,
        [](void* owned) { delete static_cast<std::vector<uint32_t>*>(owned); }, pixels);
    if (picture.hasAlpha) out.convertTo(QImage::Format_ARGB32_Premultiplied);
    return out;
}

// Where every image is stored: a stored image replaces one waiting to be
// decoded, and what was known of how the old one was made.
QImage& storeImage(int image, QImage picture) {
    Registry& r = registry();
    r.undecoded.erase(image);
    r.canvases.erase(image);
    r.sources.erase(image);
    return r.images[image] = std::move(picture);
}

void storeUndecoded(int image, EncodedImage encoded) {
    if (auto size = image::probe(encoded.bytes)) encoded.size = QSize(size->width, size->height);
    Registry& r = registry();
    r.images.erase(image);
    r.canvases.erase(image);
    r.sources.erase(image);
    if (encoded.source) r.sources[image] = encoded.source;
    r.undecoded[image] = std::move(encoded);
}

// Where the skin pixel v of an image of `side` device pixels lies: the
// device pixel that holds its centre.
int devicePixelAt(int v, qreal density, int side) {
    return std::min(side - 1, int((v + 0.5) * density));
}

QRgb logicalPixel(const QImage& image, int x, int y) {
    const qreal d = image.devicePixelRatio();
    if (d == 1) return image.pixel(x, y);
    return image.pixel(devicePixelAt(x, d, image.width()), devicePixelAt(y, d, image.height()));
}

// An image made for another density, one pixel per skin pixel.
QImage sampled(const QImage& image) {
    const QImage plain = image.depth() == 32 ? image : image.convertToFormat(QImage::Format_ARGB32);
    const qreal d = plain.devicePixelRatio();
    const QSize size = logicalSize(plain);
    QImage out(size, plain.format());
    std::vector<int> columns(size_t(size.width()));
    for (int x = 0; x < size.width(); ++x) columns[size_t(x)] = devicePixelAt(x, d, plain.width());
    for (int y = 0; y < size.height(); ++y) {
        const auto* from =
            reinterpret_cast<const QRgb*>(plain.constScanLine(devicePixelAt(y, d, plain.height())));
        auto* to = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < size.width(); ++x) to[x] = from[columns[size_t(x)]];
    }
    return out;
}

bool insideLogically(const QImage& image, int x, int y) {
    return !image.isNull() && QRect(QPoint(0, 0), logicalSize(image)).contains(x, y);
}

}  // namespace

QImage decodeImage(std::span<const uint8_t> bytes) {
    auto picture = image::decode(bytes);
    return picture ? toQImage(std::move(*picture)) : QImage();
}

QImage decodeEncoded(const EncodedImage& encoded) {
    return encoded.source ? pictureAt(*encoded.source, density()) : decodeImage(encoded.bytes);
}

const EncodedImage* findUndecoded(int image) {
    auto it = registry().undecoded.find(image);
    return it != registry().undecoded.end() ? &it->second : nullptr;
}

QImage* findImage(int image) {
    Registry& r = registry();
    if (auto it = r.images.find(image); it != r.images.end()) {
        if (!r.sources.empty() && r.sources.count(image)) pictureUsed(image);
        return &it->second;
    }
    auto later = r.undecoded.find(image);
    if (later == r.undecoded.end()) return nullptr;
    QImage decoded = decodeEncoded(later->second);
    r.undecoded.erase(later);
    if (decoded.isNull()) {
        r.sources.erase(image);
        return nullptr;
    }
    if (r.sources.count(image)) pictureUsed(image);
    imageDecoded(image, decoded);
    return &(r.images[image] = std::move(decoded));
}

}  // namespace detail

using namespace detail;

void createImage(int image, int w, int h) {
    const qreal d = density();
    QImage canvas(toDevice(std::max(1, w), d), toDevice(std::max(1, h), d), QImage::Format_RGB32);
    canvas.fill(Qt::black);
    canvas.setDevicePixelRatio(d);
    storeImage(image, std::move(canvas));
    registry().canvases[image];
}

bool loadImage(int image, std::span<const uint8_t> data) {
    auto picture = image::decode(data);
    if (!picture) return false;
    storeImage(image, toQImage(std::move(*picture)));
    return true;
}

void loadPictureWhenUsed(int image, const PictureSource& source) {
    storeUndecoded(image, {source.png[0], nullptr, {}, std::make_shared<const PictureSource>(source)});
}

void setApplicationIdentity(const std::string& desktopFileName, std::span<const uint8_t> iconPng) {
    QGuiApplication::setDesktopFileName(QString::fromStdString(desktopFileName));
    if (auto picture = image::decode(iconPng))
        QApplication::setWindowIcon(QIcon(QPixmap::fromImage(toQImage(std::move(*picture)))));
}

bool loadImageFile(int image, const std::string& path) {
    auto picture = image::decodeFile(path);
    if (!picture) return false;
    storeImage(image, toQImage(std::move(*picture)));
    return true;
}

bool loadImageFileWhenUsed(int image, const std::string& path) {
    auto bytes = image::readFile(path);
    if (!bytes) return false;
    // Only a picture that looks whole waits: a cut one is found out now.
    if (!image::probe(*bytes)) return loadImage(image, *bytes);
    auto owner = std::make_shared<const std::vector<uint8_t>>(std::move(*bytes));
    storeUndecoded(image, {*owner, owner, {}, nullptr});
    return true;
}

void deleteImage(int image) {
    Registry& r = registry();
    r.images.erase(image);
    r.undecoded.erase(image);
    r.canvases.erase(image);
    r.sources.erase(image);
}

bool imageExists(int image) {
    return findImage(image) != nullptr;
}

Rect imageSize(int image) {
    QImage* i = findImage(image);
    if (!i) return {};
    const QSize size = logicalSize(*i);
    return Rect{0, 0, size.width(), size.height()};
}

Rgb imagePixel(int image, int x, int y) {
    QImage* i = findImage(image);
    if (!i || !insideLogically(*i, x, y)) return {};
    const QRgb p = logicalPixel(*i, x, y);
    return {uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p))};
}

uint8_t imageAlpha(int image, int x, int y) {
    QImage* i = findImage(image);
    if (!i || !insideLogically(*i, x, y)) return 0;
    return uint8_t(qAlpha(logicalPixel(*i, x, y)));
}

std::vector<uint32_t> imagePixels(int image) {
    QImage* i = findImage(image);
    if (!i) return {};
    // Drawn at another density: the device pixel at each skin pixel's centre.
    QImage oneToOne;
    if (i->devicePixelRatio() != 1) {
        oneToOne = sampled(*i);
        i = &oneToOne;
    }
    const QImage plain = i->format() == QImage::Format_ARGB32 || i->format() == QImage::Format_RGB32
                             ? *i
                             : i->convertToFormat(QImage::Format_ARGB32);
    std::vector<uint32_t> out(size_t(plain.width()) * plain.height());
    for (int y = 0; y < plain.height(); ++y)
        std::memcpy(out.data() + size_t(y) * plain.width(), plain.constScanLine(y),
                    size_t(plain.width()) * 4);
    if (plain.format() == QImage::Format_RGB32)
        for (auto& p : out) p |= 0xFF000000u;
    return out;
}

void fitImage(int image, int w, int h) {
    QImage* i = findImage(image);
    if (!i || i->isNull() || w <= 0 || h <= 0) return;
    const QImage scaled = i->scaled(w, h, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QImage frame(w, h, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    painter.drawImage((w - scaled.width()) / 2, (h - scaled.height()) / 2, scaled);
    painter.end();
    *i = std::move(frame);
}

void copyImage(int destination, int source) {
    QImage* s = findImage(source);
    if (!s) return;
    Registry& r = registry();
    auto ops = r.canvases.find(source);
    std::optional<std::vector<CanvasOp>> drawn;
    if (ops != r.canvases.end()) drawn = ops->second;
    storeImage(destination, s->copy());
    if (drawn) r.canvases[destination] = std::move(*drawn);
}

bool detail::plainPixels(const QImage& i) {
    return i.format() == QImage::Format_RGB32 || i.format() == QImage::Format_ARGB32_Premultiplied;
}

// dst = src + dst * (1 - alpha), premultiplied, over the clipped rectangle.
void detail::blendImage(QImage& d, const QImage& s, int x, int y, const QRect& clip) {
    const QRect area = QRect(x, y, s.width(), s.height()).intersected(d.rect()).intersected(clip);
    const bool opaque = s.format() == QImage::Format_RGB32;
    const bool keepAlpha = d.format() == QImage::Format_ARGB32_Premultiplied;
    for (int row = area.top(); row <= area.bottom(); ++row) {
        auto* out = reinterpret_cast<QRgb*>(d.scanLine(row)) + area.left();
        const auto* in = reinterpret_cast<const QRgb*>(s.constScanLine(row - y)) + (area.left() - x);
        if (opaque) {
            std::memcpy(out, in, size_t(area.width()) * 4);
            continue;
        }
        for (int k = 0; k < area.width(); ++k) {
            const QRgb src = in[k];
            const uint32_t a = qAlpha(src);
            if (a == 0) continue;
            if (a == 255) {
                out[k] = src;
                continue;
            }
            const QRgb dst = out[k];
            const uint32_t inv = 255 - a;
            const uint32_t r = qRed(src) + (qRed(dst) * inv + 127) / 255;
            const uint32_t g = qGreen(src) + (qGreen(dst) * inv + 127) / 255;
            const uint32_t b = qBlue(src) + (qBlue(dst) * inv + 127) / 255;
            const uint32_t outA = keepAlpha ? a + (qAlpha(dst) * inv + 127) / 255 : 255;
            out[k] = qRgba(int(r), int(g), int(b), int(outA));
        }
    }
}

namespace {

// Stretched copies of pictures, kept while their source is unchanged
// (the refresh stretches the same backgrounds on every tick).
struct ScaledCopy {
    qint64 sourceKey = 0;
    QImage image;
};
std::unordered_map<uint64_t, ScaledCopy> scaledCache;

const QImage& scaledCopy(int source, const QImage& s, int w, int h) {
    const uint64_t key = uint64_t(uint32_t(source)) << 32 | uint64_t(uint16_t(w)) << 16 | uint16_t(h);
    ScaledCopy& copy = scaledCache[key];
    if (copy.sourceKey != s.cacheKey() || copy.image.isNull()) {
        copy.image = s.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(s.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                              : QImage::Format_RGB32);
        copy.sourceKey = s.cacheKey();
    }
    return copy.image;
}

// The drawings, at the density of the image drawn on. Each returns the
// rectangle it drew in skin pixels, clipped to the image, and whether it
// covered that rectangle opaquely.
struct Drawn {
    QRect rect;
    bool opaque = false;
};

Drawn fill(QImage& i, const QRect& r, QRgb value) {
    const QRect logical = r.intersected(QRect(QPoint(0, 0), logicalSize(i)));
    const QRect clipped = toDevice(logical, i.devicePixelRatio()).intersected(i.rect());
    if (clipped.isEmpty()) return {};
    // A plain fill needs no painter.
    if (i.format() == QImage::Format_RGB32 || i.format() == QImage::Format_ARGB32_Premultiplied ||
        i.format() == QImage::Format_ARGB32) {
        for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(i.scanLine(y));
            std::fill(line + clipped.left(), line + clipped.right() + 1, value);
        }
    } else {
        QPainter painter(&i);
        paintInDevicePixels(painter);
        painter.fillRect(clipped, QColor::fromRgb(value));
    }
    return {logical, true};
}

Drawn drawPicture(QImage& d, int source, const QRect& r) {
    QImage* s = findImage(source);
    if (!s || r.width() <= 0 || r.height() <= 0) return {};
    const qreal density = d.devicePixelRatio();
    // A picture drawn at its own size keeps its pixels; stretched, its edges
    // fall where the rectangle's do.
    const QRect target = r.size() == logicalSize(*s)
                             ? QRect(toDevice(r.x(), density), toDevice(r.y(), density),
                                     toDevice(r.width(), density), toDevice(r.height(), density))
                             : toDevice(r, density);
    const Drawn drawn{r.intersected(QRect(QPoint(0, 0), logicalSize(d))), !s->hasAlphaChannel()};
    if (target.isEmpty()) return {};
    if (plainPixels(d) && plainPixels(*s)) {
        const bool sameSize = s->size() == target.size();
        if (sameSize || (target.width() <= 4096 && target.height() <= 4096)) {
            blendImage(d, sameSize ? *s : scaledCopy(source, *s, target.width(), target.height()), target.x(),
                       target.y(), d.rect());
            return drawn;
        }
    }
    QPainter painter(&d);
    paintInDevicePixels(painter);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, s->size() != target.size());
    painter.drawImage(target, *s, s->rect());
    return drawn;
}

Drawn drawString(QImage& i, int fontId, QPoint at, QRgb colour, const std::string& value) {
    if (value.empty()) return {};
    if (!plainPixels(i)) i = i.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const qreal density = i.devicePixelRatio();
    const QImage& text = renderedText(
        fontId, {uint8_t(qRed(colour)), uint8_t(qGreen(colour)), uint8_t(qBlue(colour))}, value, density);
    blendImage(i, text, toDevice(at.x(), density), toDevice(at.y(), density), i.rect());
    return {QRect(at, logicalSize(text)), false};
}

Drawn apply(QImage& i, const CanvasOp& op) {
    switch (op.kind) {
        case CanvasOp::Kind::Fill:
            return fill(i, op.rect, op.colour);
        case CanvasOp::Kind::Image:
            return drawPicture(i, op.image, op.rect);
        case CanvasOp::Kind::Text:
            return drawString(i, op.font, op.rect.topLeft(), op.colour, op.text);
        case CanvasOp::Kind::Pixels: {
            QPainter painter(&i);
            paintInDevicePixels(painter);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(toDevice(op.rect, i.devicePixelRatio()), op.pixels);
            return {op.rect, true};
        }
    }
    return {};
}

constexpr size_t kMostCanvasOps = 64;

// Draws on the image and, on a canvas, keeps the drawing: what an opaque
// drawing covers whole is forgotten, so that a canvas redrawn all the time
// keeps a few drawings only.
void draw(int image, CanvasOp op) {
    QImage* i = findImage(image);
    if (!i) return;
    const Drawn drawn = apply(*i, op);
    auto canvas = registry().canvases.find(image);
    if (canvas == registry().canvases.end() || drawn.rect.isEmpty()) return;
    std::vector<CanvasOp>& ops = canvas->second;
    if (drawn.opaque) std::erase_if(ops, [&](const CanvasOp& old) { return drawn.rect.contains(old.rect); });
    if (op.kind == CanvasOp::Kind::Text) op.rect = drawn.rect;
    ops.push_back(std::move(op));
    // Drawings with see-through pixels (a picture with an alpha channel, a
    // text) cover nothing, so a canvas redrawn every refresh would keep
    // them all: memory and the search above would grow while it plays.
    // Past a bound they become what the canvas shows now; a later density
    // scales those pixels until the next redraw.
    if (ops.size() > kMostCanvasOps) {
        CanvasOp now{CanvasOp::Kind::Pixels, QRect(QPoint(0, 0), logicalSize(*i)), 0, 0, 0, {}, i->copy()};
        ops.clear();
        ops.push_back(std::move(now));
    }
}

}  // namespace

void detail::redrawCanvases(qreal density) {
    forgetRenderedTexts();
    scaledCache.clear();
    Registry& r = registry();
    for (auto& [image, ops] : r.canvases) {
        auto it = r.images.find(image);
        if (it == r.images.end()) continue;
        const QSize size = logicalSize(it->second);
        QImage canvas(toDevice(size.width(), density), toDevice(size.height(), density),
                      QImage::Format_RGB32);
        canvas.fill(Qt::black);
        canvas.setDevicePixelRatio(density);
        for (const CanvasOp& op : ops) apply(canvas, op);
        r.images[image] = std::move(canvas);
    }
}

void fillRect(int image, Rect r, Rgb colour) {
    if (r.w <= 0 || r.h <= 0) return;
    draw(image,
         {CanvasOp::Kind::Fill, QRect(r.x, r.y, r.w, r.h), qRgb(colour.r, colour.g, colour.b), 0, 0, {}, {}});
}

void drawImage(int destination, int source, Rect r) {
    if (r.w <= 0 || r.h <= 0) return;
    draw(destination, {CanvasOp::Kind::Image, QRect(r.x, r.y, r.w, r.h), 0, source, 0, {}, {}});
}

void drawText(int image, int fontId, int x, int y, Rgb colour, const std::string& value) {
    if (value.empty()) return;
    draw(image,
         {CanvasOp::Kind::Text, QRect(x, y, 0, 0), qRgb(colour.r, colour.g, colour.b), 0, fontId, value, {}});
}

}  // namespace gui
