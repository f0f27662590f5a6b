// Fonts, and texts drawn for the device pixels.
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <cmath>
#include <string>
#include <unordered_map>

#include "platform/gui/gui_internal.h"

namespace gui {

using namespace detail;

namespace {

// Rendered texts, kept because the refresh draws the same few texts 28 times
// a second and a painter costs far more than a blend.
struct TextKey {
    int font;
    QRgb colour;
    qreal density;
    std::string text;
    bool operator==(const TextKey&) const = default;
};
struct TextKeyHash {
    size_t operator()(const TextKey& k) const {
        return std::hash<std::string>()(k.text) ^ (size_t(k.font) * 31 + k.colour) ^
               std::hash<qreal>()(k.density);
    }
};
std::unordered_map<TextKey, QImage, TextKeyHash> textCache;
constexpr size_t kTextCacheLimit = 256;

}  // namespace

// The text at a density: its glyphs drawn for the device pixels, its box
// in skin pixels as the font's metrics give it.
const QImage& detail::renderedText(int fontId, Rgb colour, const std::string& value, qreal density) {
    TextKey key{fontId, qRgb(colour.r, colour.g, colour.b), density, value};
    if (auto it = textCache.find(key); it != textCache.end()) return it->second;
    if (textCache.size() >= kTextCacheLimit) textCache.clear();
    QFont font;
    if (auto f = registry().fonts.find(fontId); f != registry().fonts.end()) font = f->second;
    const QString text = QString::fromStdString(value);
    const QFontMetrics metrics(font);
    const QSize box(std::max(1, metrics.horizontalAdvance(text) + metrics.maxWidth()),
                    std::max(1, metrics.height()));
    QImage image(toDevice(box.width(), density), toDevice(box.height(), density),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(density);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(toQColor(colour));
    painter.drawText(QRect(QPoint(0, 0), box), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter.end();
    return textCache.emplace(std::move(key), std::move(image)).first->second;
}

void detail::forgetRenderedTexts() {
    textCache.clear();
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

std::string fontFamily(int fontId) {
    auto it = registry().fonts.find(fontId);
    return it == registry().fonts.end() ? std::string() : QFontInfo(it->second).family().toStdString();
}

}  // namespace gui
