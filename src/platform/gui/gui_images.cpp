// Numbered images and fonts, and drawing on images.
#include <QFontInfo>
#include <QPainter>
#include <cmath>

#include "platform/gui/gui_internal.h"
#include "platform/image/decode.h"

namespace gui {
namespace detail {

QImage* findImage(int image) {
    auto it = registry().images.find(image);
    return it == registry().images.end() ? nullptr : &it->second;
}

namespace {

QImage toQImage(const image::Picture& picture) {
    QImage out(picture.width, picture.height, picture.hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(out.scanLine(y), picture.argb.data() + size_t(y) * picture.width, size_t(picture.width) * 4);
    if (picture.hasAlpha) out.convertTo(QImage::Format_ARGB32_Premultiplied);
    return out;
}

}  // namespace
}  // namespace detail

using namespace detail;

void createImage(int image, int w, int h) {
    QImage canvas(std::max(1, w), std::max(1, h), QImage::Format_RGB32);
    canvas.fill(Qt::black);
    registry().images[image] = std::move(canvas);
}

bool loadImage(int image, std::span<const uint8_t> data) {
    auto picture = image::decode(data);
    if (!picture) return false;
    registry().images[image] = toQImage(*picture);
    return true;
}

bool loadImageFile(int image, const std::string& path) {
    auto picture = image::decodeFile(path);
    if (!picture) return false;
    registry().images[image] = toQImage(*picture);
    return true;
}

void deleteImage(int image) { registry().images.erase(image); }

bool imageExists(int image) { return findImage(image) != nullptr; }

Rect imageSize(int image) {
    QImage* i = findImage(image);
    return i ? Rect{0, 0, i->width(), i->height()} : Rect{};
}

Rgb imagePixel(int image, int x, int y) {
    QImage* i = findImage(image);
    if (!i || !i->valid(x, y)) return {};
    const QRgb p = i->pixel(x, y);
    return {uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p))};
}

uint8_t imageAlpha(int image, int x, int y) {
    QImage* i = findImage(image);
    if (!i || !i->valid(x, y)) return 0;
    return uint8_t(qAlpha(i->pixel(x, y)));
}

std::vector<uint32_t> imagePixels(int image) {
    QImage* i = findImage(image);
    if (!i) return {};
    const QImage plain = i->format() == QImage::Format_ARGB32 || i->format() == QImage::Format_RGB32
                             ? *i
                             : i->convertToFormat(QImage::Format_ARGB32);
    std::vector<uint32_t> out(size_t(plain.width()) * plain.height());
    for (int y = 0; y < plain.height(); ++y)
        std::memcpy(out.data() + size_t(y) * plain.width(), plain.constScanLine(y), size_t(plain.width()) * 4);
    if (plain.format() == QImage::Format_RGB32)
        for (auto& p : out) p |= 0xFF000000u;
    return out;
}

void scaleImage(int image, int w, int h) {
    QImage* i = findImage(image);
    if (!i || w <= 0 || h <= 0) return;
    *i = i->scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void copyImage(int destination, int source) {
    if (QImage* s = findImage(source)) registry().images[destination] = s->copy();
}

void fillRect(int image, Rect r, Rgb colour) {
    QImage* i = findImage(image);
    if (!i || r.w <= 0 || r.h <= 0) return;
    // Clipped to the picture; a plain fill needs no painter.
    const QRect clipped = QRect(r.x, r.y, r.w, r.h).intersected(i->rect());
    if (clipped.isEmpty()) return;
    const QRgb value = qRgb(colour.r, colour.g, colour.b);
    if (i->format() == QImage::Format_RGB32 || i->format() == QImage::Format_ARGB32_Premultiplied ||
        i->format() == QImage::Format_ARGB32) {
        for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(i->scanLine(y));
            std::fill(line + clipped.left(), line + clipped.right() + 1, value);
        }
        return;
    }
    QPainter painter(i);
    painter.fillRect(clipped, toQColor(colour));
}

void drawImage(int destination, int source, Rect r) {
    QImage* d = findImage(destination);
    QImage* s = findImage(source);
    if (!d || !s || r.w <= 0 || r.h <= 0) return;
    QPainter painter(d);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, s->width() != r.w || s->height() != r.h);
    painter.drawImage(QRect(r.x, r.y, r.w, r.h), *s);
}

void drawText(int image, int fontId, int x, int y, Rgb colour, const std::string& value) {
    QImage* i = findImage(image);
    if (!i || value.empty()) return;
    QPainter painter(i);
    auto font = registry().fonts.find(fontId);
    if (font != registry().fonts.end()) painter.setFont(font->second);
    painter.setPen(toQColor(colour));
    painter.drawText(QRect(x, y, std::max(1, i->width() - x + 4096), std::max(1, i->height() - y + 64)),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QString::fromStdString(value));
}

void createFont(int fontId, const std::string& face, int points) {
    QFont f(QString::fromStdString(face));
    // Points at 96 dots per inch, as the skins were drawn for.
    f.setPixelSize(int(std::lround(points * 96.0 / 72.0)));
    f.setStyleStrategy(QFont::PreferAntialias);
    registry().fonts[fontId] = f;
}

bool fontExists(int fontId) { return registry().fonts.count(fontId) != 0; }

std::string fontFamily(int fontId) {
    auto it = registry().fonts.find(fontId);
    return it == registry().fonts.end() ? std::string() : QFontInfo(it->second).family().toStdString();
}

}  // namespace gui
