// Numbered images and fonts, and drawing on images.
#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>

#include "platform/gui/gui_internal.h"
#include "platform/image/decode.h"

namespace gui {
namespace detail {

namespace {

QImage toQImage(const image::Picture& picture) {
    QImage out(picture.width, picture.height,
               picture.hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(out.scanLine(y), picture.argb.data() + size_t(y) * picture.width,
                    size_t(picture.width) * 4);
    if (picture.hasAlpha) out.convertTo(QImage::Format_ARGB32_Premultiplied);
    return out;
}

// Where every image is stored: a stored image replaces one waiting to be decoded.
QImage& storeImage(int image, QImage picture) {
    registry().undecoded.erase(image);
    return registry().images[image] = std::move(picture);
}

void storeUndecoded(int image, EncodedImage encoded) {
    if (auto size = image::probe(encoded.bytes)) encoded.size = QSize(size->width, size->height);
    registry().images.erase(image);
    registry().undecoded[image] = std::move(encoded);
}

}  // namespace

QImage decodeImage(std::span<const uint8_t> bytes) {
    auto picture = image::decode(bytes);
    return picture ? toQImage(*picture) : QImage();
}

const EncodedImage* findUndecoded(int image) {
    auto it = registry().undecoded.find(image);
    return it != registry().undecoded.end() ? &it->second : nullptr;
}

QImage* findImage(int image) {
    Registry& r = registry();
    if (auto it = r.images.find(image); it != r.images.end()) return &it->second;
    auto later = r.undecoded.find(image);
    if (later == r.undecoded.end()) return nullptr;
    QImage decoded = decodeImage(later->second.bytes);
    r.undecoded.erase(later);
    if (decoded.isNull()) return nullptr;
    imageDecoded(image, decoded);
    return &storeImage(image, std::move(decoded));
}

}  // namespace detail

using namespace detail;

void createImage(int image, int w, int h) {
    QImage canvas(std::max(1, w), std::max(1, h), QImage::Format_RGB32);
    canvas.fill(Qt::black);
    storeImage(image, std::move(canvas));
}

bool loadImage(int image, std::span<const uint8_t> data) {
    auto picture = image::decode(data);
    if (!picture) return false;
    storeImage(image, toQImage(*picture));
    return true;
}

void loadImageWhenUsed(int image, std::span<const uint8_t> data) {
    storeUndecoded(image, {data, nullptr, {}});
}

void setApplicationIdentity(const std::string& desktopFileName, std::span<const uint8_t> iconPng) {
    QGuiApplication::setDesktopFileName(QString::fromStdString(desktopFileName));
    if (auto picture = image::decode(iconPng))
        QApplication::setWindowIcon(QIcon(QPixmap::fromImage(toQImage(*picture))));
}

bool loadImageFile(int image, const std::string& path) {
    auto picture = image::decodeFile(path);
    if (!picture) return false;
    storeImage(image, toQImage(*picture));
    return true;
}

bool loadImageFileWhenUsed(int image, const std::string& path) {
    auto bytes = image::readFile(path);
    if (!bytes) return false;
    // Only a picture that looks whole waits: a cut one is found out now.
    if (!image::probe(*bytes)) return loadImage(image, *bytes);
    auto owner = std::make_shared<const std::vector<uint8_t>>(std::move(*bytes));
    storeUndecoded(image, {*owner, owner, {}});
    return true;
}

void deleteImage(int image) {
    registry().images.erase(image);
    registry().undecoded.erase(image);
}

bool imageExists(int image) {
    return findImage(image) != nullptr;
}

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
        std::memcpy(out.data() + size_t(y) * plain.width(), plain.constScanLine(y),
                    size_t(plain.width()) * 4);
    if (plain.format() == QImage::Format_RGB32)
        for (auto& p : out) p |= 0xFF000000u;
    return out;
}

void scaleImage(int image, int w, int h) {
    QImage* i = findImage(image);
    if (!i || w <= 0 || h <= 0) return;
    *i = i->scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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
    if (QImage* s = findImage(source)) storeImage(destination, s->copy());
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

// Rendered texts, kept because the refresh draws the same few texts 28 times
// a second and a painter costs far more than a blend.
struct TextKey {
    int font;
    QRgb colour;
    std::string text;
    bool operator==(const TextKey&) const = default;
};
struct TextKeyHash {
    size_t operator()(const TextKey& k) const {
        return std::hash<std::string>()(k.text) ^ (size_t(k.font) * 31 + k.colour);
    }
};
std::unordered_map<TextKey, QImage, TextKeyHash> textCache;
constexpr size_t kTextCacheLimit = 256;

const QImage& renderedText(int fontId, Rgb colour, const std::string& value) {
    TextKey key{fontId, qRgb(colour.r, colour.g, colour.b), value};
    if (auto it = textCache.find(key); it != textCache.end()) return it->second;
    if (textCache.size() >= kTextCacheLimit) textCache.clear();
    QFont font;
    if (auto f = registry().fonts.find(fontId); f != registry().fonts.end()) font = f->second;
    const QString text = QString::fromStdString(value);
    const QFontMetrics metrics(font);
    QImage image(std::max(1, metrics.horizontalAdvance(text) + metrics.maxWidth()),
                 std::max(1, metrics.height()), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(toQColor(colour));
    painter.drawText(image.rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter.end();
    return textCache.emplace(std::move(key), std::move(image)).first->second;
}

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

}  // namespace

void drawImage(int destination, int source, Rect r) {
    QImage* d = findImage(destination);
    QImage* s = findImage(source);
    if (!d || !s || r.w <= 0 || r.h <= 0) return;
    if (plainPixels(*d) && plainPixels(*s)) {
        const bool sameSize = s->width() == r.w && s->height() == r.h;
        if (sameSize || (r.w <= 4096 && r.h <= 4096)) {
            blendImage(*d, sameSize ? *s : scaledCopy(source, *s, r.w, r.h), r.x, r.y, d->rect());
            return;
        }
    }
    QPainter painter(d);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, s->width() != r.w || s->height() != r.h);
    painter.drawImage(QRect(r.x, r.y, r.w, r.h), *s);
}

void drawText(int image, int fontId, int x, int y, Rgb colour, const std::string& value) {
    QImage* i = findImage(image);
    if (!i || value.empty()) return;
    if (!plainPixels(*i)) *i = i->convertToFormat(QImage::Format_ARGB32_Premultiplied);
    blendImage(*i, renderedText(fontId, colour, value), x, y, i->rect());
}

namespace {

QFont fontFor(int fontId) {
    auto f = registry().fonts.find(fontId);
    return f == registry().fonts.end() ? QFont() : f->second;
}

}  // namespace

int textWidth(int fontId, const std::string& text) {
    return QFontMetrics(fontFor(fontId)).horizontalAdvance(QString::fromStdString(text));
}

std::string elidedText(int fontId, const std::string& text, int width) {
    const QString whole = QString::fromStdString(text);
    return QFontMetrics(fontFor(fontId)).elidedText(whole, Qt::ElideRight, width).toStdString();
}

void createFont(int fontId, const std::string& face, int points) {
    textCache.clear();
    QFont f(QString::fromStdString(face));
    // Points at 96 dots per inch, as the skins were drawn for.
    f.setPixelSize(int(std::lround(points * 96.0 / 72.0)));
    f.setStyleStrategy(QFont::PreferAntialias);
    registry().fonts[fontId] = f;
}

bool fontExists(int fontId) {
    return registry().fonts.count(fontId) != 0;
}

std::string fontFamily(int fontId) {
    auto it = registry().fonts.find(fontId);
    return it == registry().fonts.end() ? std::string() : QFontInfo(it->second).family().toStdString();
}

}  // namespace gui
