#include "resources/skin_pictures.h"

#include <array>

#include "ui/ids.h"

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

#define ENTRY(id, sym)                                          \
    SkinPicture {                                               \
        id, #sym, {                                             \
            kestrel_png_##sym, size_t(kestrel_png_##sym##_size) \
        }                                                       \
    }

std::span<const SkinPicture> skinPictures() {
    static const std::array<SkinPicture, 18> table = {
        ENTRY(img::SearchSkin, search_skin),
        ENTRY(img::TimeBackImage, time_back),
        ENTRY(img::VolumeBackImage, volume_back),
        ENTRY(img::VolumeKnobImage, volume_knob),
        ENTRY(img::StatusBackImage, status_back),
        ENTRY(img::PauseImage, pause),
        ENTRY(img::CloseHoverImage, close_hover),
        ENTRY(img::RecordingImage, recording),
        ENTRY(img::MutedImage, muted),
        ENTRY(img::RadioHoverImage, radio_hover),
        ENTRY(img::RadioSkin, radio_skin),
        ENTRY(img::SearchHoverImage, search_hover),
        ENTRY(img::PlayHoverImage, play_hover),
        ENTRY(img::CompactSkin, compact_skin),
        ENTRY(img::Mp3HoverImage, mp3_hover),
        ENTRY(img::Mp3Skin, mp3_skin),
        ENTRY(img::OpenFolderHoverImage, open_folder_hover),
        ENTRY(img::VideoSplashImage, video_splash),
    };
    return table;
}
