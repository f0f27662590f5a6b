#include "resources/app_icon.h"

extern "C" const unsigned char kestrel_png_app_icon[];
extern "C" const unsigned long kestrel_png_app_icon_size;

std::span<const uint8_t> appIconPng() {
    return {kestrel_png_app_icon, kestrel_png_app_icon_size};
}
