// SVG documents rendered through librsvg, opened when first needed.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/image/decode.h"

namespace image {

// A rectangle of a document, in its own units (CSS pixels).
struct Area {
    int x = 0, y = 0, w = 0, h = 0;
};

// The rectangle `area` of the SVG document, rendered at `scale` device pixels
// per unit: a picture of round(w * scale) x round(h * scale) pixels whose
// top-left pixel is the document's pixel (round(x * scale), round(y * scale))
// at that scale, with alpha. nullopt, with the reason in `why` when given,
// when librsvg cannot be opened or lacks a function, when the document does
// not render, or when the picture would be over 16384 pixels a side. UI thread.
std::optional<Picture> renderSvg(std::span<const uint8_t> svg, double scale, Area area,
                                 std::string* why = nullptr);

}  // namespace image
