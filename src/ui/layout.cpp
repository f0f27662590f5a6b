#include "ui/layout.h"

#include <map>

namespace layout {

std::span<const Move> moves(Mode mode) {
    switch (mode) {
        case Mode::Radio:
            return kRadioMoves;
        case Mode::Mp3:
            return kMp3Moves;
        case Mode::Search:
            break;
    }
    return kSearchMoves;
}

namespace {

std::string num(int n) {
    return std::to_string(n);
}

std::string rectJson(const gui::Rect& r) {
    return "[" + num(r.x) + ", " + num(r.y) + ", " + num(r.w) + ", " + num(r.h) + "]";
}

std::string spanJson(Span s) {
    return "[" + num(s.low) + ", " + num(s.high) + "]";
}

std::string quoted(const char* name) {
    return std::string("\"") + name + "\"";
}

const char* nameOf(int control) {
    for (const Place& p : kPlaces)
        if (p.control == control) return p.name;
    return "";
}

// Every control's rectangle once the mode's moves are made from start-up.
std::string modeJson(std::span<const Move> modeMoves) {
    std::map<int, gui::Rect> rects;
    for (const Place& p : kPlaces) rects[p.control] = p.rect;
    for (const Move& m : modeMoves) (m.axis == Axis::X ? rects[m.control].x : rects[m.control].y) = m.to;
    std::string out;
    for (const Place& p : kPlaces)
        out += std::string(out.empty() ? "" : ",\n") + "      " + quoted(p.name) + ": " +
               rectJson(rects[p.control]);
    return "{\n" + out + "\n    }";
}

}  // namespace

std::string json() {
    std::string out = "{\n";
    out += "  \"window\": {\"width\": " + num(kWindowWidth) + ", \"height\": " + num(kWindowHeight) +
           ", \"compactHeight\": " + num(kCompactHeight) + "},\n";
    // Search mode is the start-up layout.
    out += "  \"modes\": {\n";
    out += "    \"search\": " + modeJson({}) + ",\n";
    out += "    \"radio\": " + modeJson(kRadioMoves) + ",\n";
    out += "    \"mp3\": " + modeJson(kMp3Moves) + "\n  },\n";
    std::string parents;
    for (const Place& p : kPlaces)
        if (p.parent != 0)
            parents += (parents.empty() ? "" : ", ") + quoted(p.name) + ": " + quoted(nameOf(p.parent));
    out += "  \"parents\": {" + parents + "},\n";
    const gui::Rect band = canvas(img::SpectrumBarImage);
    const gui::Rect bands{kSpectrumX, kSpectrumY, kSpectrumStep * (ctl::SpectrumBandCount - 1) + band.w,
                          band.h};
    out += "  \"spectrum\": {\"bands\": " + num(ctl::SpectrumBandCount) +
           ", \"step\": " + num(kSpectrumStep) + ", \"rect\": " + rectJson(bands) + "},\n";
    out += "  \"albumPhoto\": [" + num(kAlbumPhotoWidth) + ", " + num(kAlbumPhotoMaxHeight) + "],\n";
    std::string canvases;
    for (const Canvas& c : kCanvases)
        canvases +=
            (canvases.empty() ? "" : ", ") + quoted(c.name) + ": [" + num(c.w) + ", " + num(c.h) + "]";
    out += "  \"canvases\": {" + canvases + "},\n";
    out += "  \"positionBarWidth\": " + num(kPositionBarWidth) + ",\n";
    out += "  \"volumeBar\": {\"span\": " + num(kVolumeBarSpan) + ", \"fillFull\": " + num(kVolumeFillFull) +
           ", \"fillSilent\": " + num(kVolumeFillSilent) + ", \"fillStart\": " + num(kVolumeFillStart) +
           ", \"keyStep\": " + num(kVolumeKeyStep) + "},\n";
    out += "  \"iconColumns\": {\"rows\": " + spanJson(kIconRows) + ", \"add\": " + spanJson(kAddIconColumn) +
           ", \"delete\": " + spanJson(kDeleteIconColumn) + "}\n";
    return out + "}\n";
}

}  // namespace layout
