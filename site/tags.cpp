#include "tags.h"

#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/tfilestream.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "names.h"
#include "platform/text/cp1251.h"

namespace site {

std::string cleanField(std::string_view utf8) {
    // A huge tag field is cut; never inside a character.
    if (utf8.size() > 1000) {
        size_t cut = 1000;
        while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
        utf8 = utf8.substr(0, cut);
    }
    std::string s(utf8);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

std::string repairLatin1(std::string_view utf8) {
    // Collect the code points; give up at the first one above U+00FF.
    std::string bytes;
    int upper = 0, asciiLetters = 0, run = 0, longestRun = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            bytes += char(c);
            if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') ++asciiLetters;
            run = 0;
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            unsigned char b = (c & 0x03) << 6 | (static_cast<unsigned char>(utf8[++i]) & 0x3F);
            bytes += char(b);
            bool letter = b >= 0xC0 || b == 0xA8 || b == 0xB8;
            upper += letter;
            run = letter ? run + 1 : 0;
            longestRun = std::max(longestRun, run);
        } else {
            return std::string(utf8);
        }
    }
    // Cyrillic words are runs of such letters; Western names have a few
    // accented letters among many plain ones.
    if (longestRun >= 3 || (upper >= 2 && upper > asciiLetters)) return text::fromCp1251(bytes);
    return std::string(utf8);
}

void titleFromFileName(std::string_view fileName, std::string& artist, std::string& title) {
    std::string_view stem = fileName;
    if (size_t dot = stem.rfind('.'); dot != std::string_view::npos && dot > 0) stem = stem.substr(0, dot);
    if (size_t dash = stem.find(" - "); dash != std::string_view::npos) {
        std::string a = cleanField(stem.substr(0, dash));
        std::string t = cleanField(stem.substr(dash + 3));
        if (!a.empty() && a.find_first_not_of("0123456789") == std::string::npos) {
            // "01 - Title": a track number, then maybe "Artist - Title" after it.
            titleFromFileName(t + ".x", artist, title);
            if (!title.empty()) return;
        }
        if (!a.empty() && !t.empty()) {
            artist = a;
            title = t;
            return;
        }
    }
    artist.clear();
    title = cleanField(stem);
    if (title.empty()) title = cleanField(fileName);
}

namespace {

// An ".mp3" that starts with neither a tag, an MPEG frame nor a RIFF header
// is not read by the tag library, which would search all of it for frames
// (seconds for a large damaged file).
bool looksUnreadable(const std::string& path, const std::string& fileName) {
    size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || text::lowerUtf8(fileName.substr(dot)) != ".mp3") return false;
    std::ifstream in(path, std::ios::binary);
    unsigned char head[4] = {0, 0, 0, 0};
    in.read(reinterpret_cast<char*>(head), 4);
    if (in.gcount() < 4) return true;
    bool tag = head[0] == 'I' && head[1] == 'D' && head[2] == '3';
    bool frame = head[0] == 0xFF && (head[1] & 0xE0) == 0xE0;
    bool riff = head[0] == 'R' && head[1] == 'I' && head[2] == 'F' && head[3] == 'F';
    return !tag && !frame && !riff;
}

}  // namespace

Track readTrack(const std::string& path, std::string_view folder, bool* isAudio) {
    Track t;
    t.path = path;
    size_t slash = path.rfind('/');
    t.fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    t.folder = nameText(folder);

    // Opened read-only: the tag library would open it for writing, and its
    // closing would then raise a change event in the folder's watch (a rescan
    // after every rescan that reads a file).
    std::unique_ptr<TagLib::FileStream> stream;
    TagLib::FileRef ref;
    if (!looksUnreadable(path, t.fileName)) {
        stream = std::make_unique<TagLib::FileStream>(path.c_str(), true);
        if (stream->isOpen()) ref = TagLib::FileRef(stream.get(), true, TagLib::AudioProperties::Fast);
    }
    // A header alone ("ID3" and nothing playable) has no rate and no length.
    if (isAudio)
        *isAudio =
            !ref.isNull() && ref.file()->isValid() && ref.audioProperties() &&
            (ref.audioProperties()->bitrate() > 0 || ref.audioProperties()->lengthInMilliseconds() > 0);
    if (!ref.isNull() && ref.tag()) {
        t.artist = cleanField(repairLatin1(ref.tag()->artist().to8Bit(true)));
        t.title = cleanField(repairLatin1(ref.tag()->title().to8Bit(true)));
        t.album = cleanField(repairLatin1(ref.tag()->album().to8Bit(true)));
    }
    if (!ref.isNull() && ref.audioProperties()) {
        t.seconds = ref.audioProperties()->lengthInSeconds();
        t.kbps = ref.audioProperties()->bitrate();
    }
    if (t.title.empty()) {
        std::string artist;
        titleFromFileName(nameText(t.fileName), artist, t.title);
        if (t.artist.empty()) t.artist = artist;
    }
    // Untagged files in "Artist/Album/" folders: the folders name them.
    std::string_view rest = t.folder;
    size_t last = rest.rfind('/');
    std::string_view parent = last == std::string_view::npos ? rest : rest.substr(last + 1);
    std::string_view grand = last == std::string_view::npos ? std::string_view() : rest.substr(0, last);
    if (size_t s = grand.rfind('/'); s != std::string_view::npos) grand = grand.substr(s + 1);
    if (t.artist.empty()) t.artist = cleanField(grand.empty() ? parent : grand);
    if (t.album.empty() && !grand.empty()) t.album = cleanField(parent);
    return t;
}

}  // namespace site
