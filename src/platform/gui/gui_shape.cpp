// The X11 shape of a window in device pixels. The toolkit takes a window's
// mask in skin pixels and scales its rectangles, so a skin drawn at a
// fractional density would keep a staircase outline one and a half device
// pixels to the step, with key-colour pixels inside it and skin pixels cut
// off. The outline is set here instead, through the shape extension the
// toolkit's X11 platform already loaded.
#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <algorithm>

#include "platform/gui/gui_internal.h"
#include "platform/os/bind_function.h"

namespace gui::detail {
namespace {

// clang-format off
#define GUI_SHAPE_FUNCTIONS(X) X(xcb_shape_rectangles) X(xcb_shape_mask) X(xcb_flush)
// clang-format on
struct ShapeApi {
    GUI_SHAPE_FUNCTIONS(OS_API_SLOT)
};

const ShapeApi* shapeApi() {
    static const ShapeApi* api =
        os::openApi<ShapeApi>({"libxcb-shape.so.0"}, [](void* handle, ShapeApi& api) {
            bool all = true;
            GUI_SHAPE_FUNCTIONS(OS_API_BIND)
            return all;
        });
    return api;
}

struct Run {
    int start;
    int end;  // exclusive
    bool operator==(const Run&) const = default;
};

}  // namespace

std::vector<QRect> keyedOutline(const QImage& image) {
    std::vector<QRect> rects;
    if (image.isNull()) return rects;
    const QImage plain = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                             ? image
                             : image.convertToFormat(QImage::Format_RGB32);
    const QRgb key = plain.pixel(0, 0) & 0xFFFFFF;
    std::vector<Run> previous, current;
    size_t bandStart = 0;  // the first rectangle of the band the row above belongs to
    for (int y = 0; y < plain.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(plain.constScanLine(y));
        current.clear();
        for (int x = 0; x < plain.width();) {
            while (x < plain.width() && (row[x] & 0xFFFFFF) == key) ++x;
            const int start = x;
            while (x < plain.width() && (row[x] & 0xFFFFFF) != key) ++x;
            if (x > start) current.push_back({start, x});
        }
        if (!current.empty() && current == previous) {
            for (size_t i = bandStart; i < rects.size(); ++i) rects[i].setHeight(rects[i].height() + 1);
        } else {
            bandStart = rects.size();
            for (const Run& run : current) rects.emplace_back(run.start, y, run.end - run.start, 1);
        }
        std::swap(previous, current);
    }
    return rects;
}

bool setDeviceShape(QWidget* window, const std::vector<QRect>& rects, bool unshaped) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    const ShapeApi* xcb = x11 ? shapeApi() : nullptr;
    if (!xcb || !x11->connection()) return false;
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window->winId());
    if (unshaped) {
        xcb->xcb_shape_mask(connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, id, 0, 0, XCB_NONE);
    } else {
        std::vector<xcb_rectangle_t> list;
        list.reserve(rects.size());
        for (const QRect& r : rects)
            list.push_back({int16_t(r.x()), int16_t(r.y()), uint16_t(r.width()), uint16_t(r.height())});
        xcb->xcb_shape_rectangles(connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING,
                                  XCB_CLIP_ORDERING_YX_BANDED, id, 0, 0, uint32_t(list.size()), list.data());
    }
    xcb->xcb_flush(connection);
    return true;
}

}  // namespace gui::detail
