// The video site's search term made from a track title.
#include "online/video_view.h"

namespace {

void eraseFirst(std::string& s, char c) {
    size_t at = s.find(c);
    if (at != std::string::npos) s.erase(at, 1);
}

}  // namespace

std::string videoSearchTerm(const std::string& title) {
    std::string term = title;
    for (char digit = '0'; digit <= '9'; ++digit)
        for (int i = 0; i < 3; ++i) eraseFirst(term, digit);
    eraseFirst(term, '-');
    eraseFirst(term, '_');
    eraseFirst(term, '.');
    return term;
}
