// librsvg draws into a cairo image surface; the surface's premultiplied
// pixels become a Picture's plain ones.
#include "platform/image/svg.h"

#include <librsvg/rsvg.h>

#include <cmath>
#include <string>

#include "platform/os/bind_function.h"

namespace image {
namespace {

constexpr int kMaxSide = 16384;

// Opened at the first render and kept: only a density between the carried
// renders needs it, and then for every picture. cairo, GObject and GLib come
// with it.
// clang-format off
#define IMAGE_SVG_FUNCTIONS(X) \
    X(rsvg_handle_new_from_data) X(rsvg_handle_get_intrinsic_size_in_pixels) X(rsvg_handle_render_document) X(g_object_unref) X(g_error_free) \
    X(cairo_image_surface_create) X(cairo_surface_status) X(cairo_create) X(cairo_translate) \
    X(cairo_destroy) X(cairo_surface_flush) X(cairo_image_surface_get_data) \
    X(cairo_image_surface_get_stride) X(cairo_surface_destroy)
// clang-format on
struct SvgApi {
    IMAGE_SVG_FUNCTIONS(OS_API_SLOT)
};

constexpr const char* kLibrary = "librsvg-2.so.2";

const SvgApi* svgApi() {
    static const SvgApi* api = os::openApi<SvgApi>({kLibrary}, [](void* handle, SvgApi& api) {
        bool all = true;
        IMAGE_SVG_FUNCTIONS(OS_API_BIND)
        return all;
    });
    return api;
}

int scaled(int v, double scale) {
    return int(std::lround(v * scale));
}

uint8_t unpremultiply(uint32_t channel, uint32_t alpha) {
    return uint8_t((channel * 255 + alpha / 2) / alpha);
}

}  // namespace

std::optional<Picture> renderSvg(std::span<const uint8_t> svg, double scale, Area area, std::string* why) {
    auto fail = [why](std::string reason) {
        if (why) *why = std::move(reason);
        return std::nullopt;
    };
    const int width = scaled(area.w, scale), height = scaled(area.h, scale);
    if (!(scale > 0) || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return fail("no picture of that size");
    const SvgApi* rsvg = svgApi();
    if (!rsvg) return fail(std::string(kLibrary) + " cannot be opened or lacks a function");
    GError* error = nullptr;
    RsvgHandle* handle = rsvg->rsvg_handle_new_from_data(svg.data(), svg.size(), &error);
    double documentW = 0, documentH = 0;
    if (!handle || !rsvg->rsvg_handle_get_intrinsic_size_in_pixels(handle, &documentW, &documentH)) {
        const std::string reason = error ? error->message : "the document has no size in pixels";
        if (error) rsvg->g_error_free(error);
        if (handle) rsvg->g_object_unref(handle);
        return fail(reason);
    }
    cairo_surface_t* surface = rsvg->cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    std::optional<Picture> out;
    if (rsvg->cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        cairo_t* cairo = rsvg->cairo_create(surface);
        // The whole document at the scale, of which the surface holds the area.
        rsvg->cairo_translate(cairo, -scaled(area.x, scale), -scaled(area.y, scale));
        const RsvgRectangle viewport{0, 0, documentW * scale, documentH * scale};
        const bool drawn = rsvg->rsvg_handle_render_document(handle, cairo, &viewport, &error);
        rsvg->cairo_destroy(cairo);
        if (drawn) {
            rsvg->cairo_surface_flush(surface);
            const uint8_t* data = rsvg->cairo_image_surface_get_data(surface);
            const int stride = rsvg->cairo_image_surface_get_stride(surface);
            Picture picture{width, height, true, std::vector<uint32_t>(size_t(width) * height)};
            for (int y = 0; y < height; ++y) {
                const auto* row = reinterpret_cast<const uint32_t*>(data + size_t(y) * stride);
                uint32_t* to = picture.argb.data() + size_t(y) * width;
                for (int x = 0; x < width; ++x) {
                    const uint32_t p = row[x], a = p >> 24;
                    if (a == 0 || a == 255) {
                        to[x] = a ? p : 0;
                        continue;
                    }
                    to[x] = a << 24 | uint32_t(unpremultiply(p >> 16 & 0xFF, a)) << 16 |
                            uint32_t(unpremultiply(p >> 8 & 0xFF, a)) << 8 | unpremultiply(p & 0xFF, a);
                }
            }
            out = std::move(picture);
        }
    }
    if (!out && why) *why = error ? error->message : "the document does not render";
    if (error) rsvg->g_error_free(error);
    rsvg->cairo_surface_destroy(surface);
    rsvg->g_object_unref(handle);
    return out;
}

}  // namespace image
