#include "resources/skin_pictures.h"

#include <array>

#define KESTREL_PICTURE(sym)                      \
    extern "C" const uint8_t kestrel_png_##sym[]; \
    extern "C" const unsigned long kestrel_png_##sym##_size;
KESTREL_PICTURE(search_skin)
KESTREL_PICTURE(time_back)
KESTREL_PICTURE(volume_back)
KESTREL_PICTURE(volume_knob)
KESTREL_PICTURE(status_back)
KESTREL_PICTURE(pause)
KESTREL_PICTURE(close_hover)
KESTREL_PICTURE(recording)
KESTREL_PICTURE(muted)
KESTREL_PICTURE(radio_hover)
KESTREL_PICTURE(radio_skin)
KESTREL_PICTURE(search_hover)
KESTREL_PICTURE(play_hover)
KESTREL_PICTURE(compact_skin)
KESTREL_PICTURE(mp3_hover)
KESTREL_PICTURE(mp3_skin)
KESTREL_PICTURE(open_folder_hover)
KESTREL_PICTURE(video_splash)
#undef KESTREL_PICTURE

namespace {

struct SkinPicture {
    std::string_view name;
    std::span<const uint8_t> png;
};

SkinPicture entry(std::string_view name, const uint8_t* png, unsigned long size) {
    return {name, {png, size_t(size)}};
}

// A picture's name and its bytes as the build linked them in.
#define ENTRY(sym) entry(#sym, kestrel_png_##sym, kestrel_png_##sym##_size)

}  // namespace

std::span<const uint8_t> skinPicturePng(std::string_view name) {
    static const std::array<SkinPicture, 18> table = {
        ENTRY(search_skin), ENTRY(time_back),         ENTRY(volume_back),
        ENTRY(volume_knob), ENTRY(status_back),       ENTRY(pause),
        ENTRY(close_hover), ENTRY(recording),         ENTRY(muted),
        ENTRY(radio_hover), ENTRY(radio_skin),        ENTRY(search_hover),
        ENTRY(play_hover),  ENTRY(compact_skin),      ENTRY(mp3_hover),
        ENTRY(mp3_skin),    ENTRY(open_folder_hover), ENTRY(video_splash),
    };
    for (const SkinPicture& picture : table)
        if (picture.name == name) return picture.png;
    return {};
}
#undef ENTRY
