#include "resources/skin_pictures.h"

#include <array>

#define KESTREL_BLOB(sym)                     \
    extern "C" const uint8_t kestrel_##sym[]; \
    extern "C" const unsigned long kestrel_##sym##_size;
#define KESTREL_PICTURE(name) KESTREL_BLOB(png_##name) KESTREL_BLOB(png2x_##name) KESTREL_BLOB(png3x_##name)
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
KESTREL_BLOB(svg_search_skin)
KESTREL_BLOB(svg_radio_skin)
KESTREL_BLOB(svg_mp3_skin)
KESTREL_BLOB(svg_compact_skin)
KESTREL_BLOB(svg_time_back)
KESTREL_BLOB(svg_volume_back)
KESTREL_BLOB(svg_volume_knob)
KESTREL_BLOB(svg_status_back)
KESTREL_BLOB(svg_video_splash)
KESTREL_BLOB(svg_pause)
KESTREL_BLOB(svg_play_hover)
KESTREL_BLOB(svg_search_lit)
KESTREL_BLOB(svg_radio_lit)
KESTREL_BLOB(svg_mp3_lit)
#undef KESTREL_PICTURE
#undef KESTREL_BLOB

namespace {

using Finish = gui::PictureSource::Finish;

// What render.sh gives the pixels a window skin's outline leaves.
constexpr gui::Rgb kKey{32, 254, 2};

struct SkinPicture {
    std::string_view name;
    gui::PictureSource source;
};

std::span<const uint8_t> blob(const uint8_t* bytes, unsigned long size) {
    return {bytes, size_t(size)};
}

// A picture's name, its renders as the build linked them in, and the document
// it is made from as render.sh makes it: the whole of a document of its own,
// or the rectangle of its hotspot cut from a sheet of lit buttons.
#define BLOB(sym) blob(kestrel_##sym, kestrel_##sym##_size)
#define RENDERS(name) \
    { BLOB(png_##name), BLOB(png2x_##name), BLOB(png3x_##name) }
#define WHOLE(name, w, h, finish)                                       \
    SkinPicture {                                                       \
#name, {                                                        \
            RENDERS(name), BLOB(svg_##name), {0, 0, w, h}, finish, kKey \
        }                                                               \
    }
#define CUT(name, sheet, x, y, w, h)                                              \
    SkinPicture {                                                                 \
#name, {                                                                  \
            RENDERS(name), BLOB(svg_##sheet), {x, y, w, h}, Finish::OnBlack, kKey \
        }                                                                         \
    }

const std::array<SkinPicture, 18>& table() {
    static const std::array<SkinPicture, 18> pictures = {
        WHOLE(search_skin, 727, 400, Finish::Keyed),       WHOLE(time_back, 43, 15, Finish::OnBlack),
        WHOLE(volume_back, 67, 18, Finish::OnBlack),       WHOLE(volume_knob, 8, 8, Finish::OnBlack),
        WHOLE(status_back, 715, 16, Finish::OnBlack),      WHOLE(pause, 38, 38, Finish::WithAlpha),
        CUT(close_hover, search_lit, 697, 5, 23, 13),      CUT(recording, search_lit, 290, 353, 14, 14),
        CUT(muted, search_lit, 457, 351, 21, 20),          CUT(radio_hover, search_lit, 646, 23, 60, 31),
        WHOLE(radio_skin, 727, 400, Finish::Keyed),        CUT(search_hover, radio_lit, 646, 23, 60, 31),
        WHOLE(play_hover, 47, 47, Finish::WithAlpha),      WHOLE(compact_skin, 727, 83, Finish::Keyed),
        CUT(mp3_hover, search_lit, 585, 23, 60, 31),       WHOLE(mp3_skin, 727, 400, Finish::Keyed),
        CUT(open_folder_hover, mp3_lit, 288, 352, 18, 17), WHOLE(video_splash, 520, 330, Finish::OnBlack),
    };
    return pictures;
}
#undef CUT
#undef WHOLE
#undef RENDERS
#undef BLOB

}  // namespace

std::span<const uint8_t> skinPicturePng(std::string_view name) {
    return skinPictureSource(name).png[0];
}

gui::PictureSource skinPictureSource(std::string_view name) {
    for (const SkinPicture& picture : table())
        if (picture.name == name) return picture.source;
    return {};
}
