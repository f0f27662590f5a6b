#include "names.h"

#include "platform/text/cp1251.h"

namespace site {

bool isUtf8(std::string_view bytes, bool& multiByte) {
    multiByte = false;
    for (size_t i = 0; i < bytes.size();) {
        auto c = static_cast<unsigned char>(bytes[i]);
        size_t len = c < 0x80             ? 1
                     : (c & 0xE0) == 0xC0 ? 2
                     : (c & 0xF0) == 0xE0 ? 3
                     : (c & 0xF8) == 0xF0 ? 4
                                          : 0;
        if (len == 0 || i + len > bytes.size() || (len == 2 && c < 0xC2)) return false;
        for (size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
        multiByte |= len > 1;
        i += len;
    }
    return true;
}

std::string nameText(std::string_view bytes) {
    bool multiByte = false;
    return isUtf8(bytes, multiByte) ? std::string(bytes) : text::fromCp1251(bytes);
}

}  // namespace site
