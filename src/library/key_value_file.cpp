#include "library/key_value_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "library/atomic_file.h"

KeyValueFile keyValueFile;

namespace {

constexpr size_t npos = static_cast<size_t>(-1);

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

char foldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string folded(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = foldAscii(c);
    return out;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    return true;
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// UTF-8 back to single bytes: U+0000..U+00FF become their byte, any other
// complete character one "?", and a malformed or cut sequence one "?".
std::string fromUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const auto lead = static_cast<unsigned char>(s[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                        : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                       : 1;
        size_t k = 1;
        while (k < length && i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80) ++k;
        if (length == 2 && k == 2 && lead <= 0xC3)
            out += static_cast<char>(((lead & 0x1F) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3F));
        else
            out += '?';
        i += k;
    }
    return out;
}

// Splits the text into lines at every run of CR and LF and adds the
// non-blank ones to `lines`.
void readLines(std::string_view text, std::vector<KeyValueLine>& lines) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        while (p < end && (*p == '\r' || *p == '\n')) ++p;
        if (p == end) break;
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* lineEnd = lf ? lf : end;
        if (const void* cr = std::memchr(p, '\r', static_cast<size_t>(lineEnd - p)))
            lineEnd = static_cast<const char*>(cr);
        std::string_view line(p, static_cast<size_t>(lineEnd - p));
        p = lineEnd;

        while (!line.empty() && isBlank(line.front())) line.remove_prefix(1);
        if (line.empty()) continue;
        KeyValueLine& out = lines.emplace_back();
        if (line.front() == ';') {
            line.remove_prefix(1);
            if (!line.empty() && line.front() == ' ') line.remove_prefix(1);
            out.kind = KeyValueLine::Kind::Comment;
            out.name = line;
        } else if (line.front() == '[') {
            line.remove_prefix(1);
            out.kind = KeyValueLine::Kind::Group;
            out.name = line.substr(0, line.find(']'));
        } else {
            const size_t eq = line.find('=');
            std::string_view name = line.substr(0, eq);
            while (!name.empty() && isBlank(name.back())) name.remove_suffix(1);
            out.kind = KeyValueLine::Kind::Key;
            out.name = name;
            if (eq != std::string_view::npos) {
                std::string_view value = line.substr(eq + 1);
                while (!value.empty() && isBlank(value.front())) value.remove_prefix(1);
                out.value = value;
            }
        }
    }
}

bool readWhole(int fd, std::string& out) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    out.clear();
    out.reserve(static_cast<size_t>(st.st_size) + 1);
    char chunk[65536];
    for (;;) {
        if (out.capacity() - out.size() >= sizeof chunk) {
            // Read straight into the string's spare room.
            const size_t old = out.size();
            out.resize(out.capacity());
            const ssize_t n = ::read(fd, out.data() + old, out.size() - old);
            if (n < 0) {
                out.resize(old);
                if (errno == EINTR) continue;
                return false;
            }
            out.resize(old + static_cast<size_t>(n));
            if (n == 0) return true;
        } else {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (n == 0) return true;
            out.append(chunk, static_cast<size_t>(n));
        }
    }
}

// Whether a file that could not be opened before may now be created or
// replaced: it still does not exist, or it has become a writable file.
bool mayCreate(const std::string& path) {
    const std::string target = atomic_file::resolveLinks(path);
    struct stat st;
    if (::stat(target.c_str(), &st) != 0) return errno == ENOENT;
    if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0) return false;
    const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

}  // namespace

bool KeyValueFile::open(const std::string& path) {
    close();
    path_ = path;
    access_ = Access::ReadWrite;
    int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        access_ = Access::ReadOnly;
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    if (fd < 0) {
        access_ = Access::Absent;
        return false;
    }
    // A file without any write permission is read-only for everyone, the
    // superuser included, as a read-only attribute would be.
    struct stat st;
    if (::fstat(fd, &st) == 0 && (st.st_mode & 0222) == 0) access_ = Access::ReadOnly;
    std::string bytes;
    const bool read = readWhole(fd, bytes);
    ::close(fd);
    if (!read) {
        access_ = Access::ReadOnly;
        return false;
    }
    const Access access = access_;
    parse(bytes, path);
    access_ = access;
    return true;
}

void KeyValueFile::parse(std::string_view bytes, const std::string& path) {
    path_ = path;
    access_ = Access::Absent;
    modified_ = false;
    lines_.clear();
    current_ = kLeading;
    pending_ = false;
    pendingGroup_.clear();
    singleByteGroup_ = false;
    forgetKeyIndex();
    utf8Mode_ = bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF";
    if (utf8Mode_) bytes.remove_prefix(3);
    readLines(bytes, lines_);
}

std::string KeyValueFile::serialize() const {
    size_t size = utf8Mode_ ? 5 : 0;
    for (const KeyValueLine& line : lines_) size += line.name.size() + line.value.size() + 5;
    std::string out;
    out.reserve(size);
    if (utf8Mode_) out += "\xEF\xBB\xBF\r\n";
    for (const KeyValueLine& line : lines_) {
        switch (line.kind) {
            case KeyValueLine::Kind::Group:
                out += '[';
                out += line.name;
                out += "]\r\n";
                break;
            case KeyValueLine::Kind::Comment:
                out += "; ";
                out += line.name;
                out += "\r\n";
                break;
            case KeyValueLine::Kind::Key:
                out += line.name;
                out += " = ";
                out += line.value;
                out += "\r\n";
                break;
        }
    }
    return out;
}

std::string KeyValueFile::toStored(std::string_view text) const {
    if (!utf8Mode_) return std::string(text);
    std::string out;
    out.reserve(text.size() * 2);
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

size_t KeyValueFile::findGroup(std::string_view storedName) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == KeyValueLine::Kind::Group && sameName(lines_[i].name, storedName)) return i;
    return npos;
}

size_t KeyValueFile::groupEnd(size_t group) const {
    size_t i = group == kLeading ? 0 : group + 1;
    while (i < lines_.size() && lines_[i].kind != KeyValueLine::Kind::Group) ++i;
    return i;
}

void KeyValueFile::forgetKeyIndex() const {
    keyIndexValid_ = false;
    keyIndex_.clear();
}

size_t KeyValueFile::findKey(std::string_view storedKey) const {
    if (!keyIndexValid_) {
        keyIndex_.clear();
        size_t i = current_ == kLeading ? 0 : current_ + 1;
        for (; i < lines_.size() && lines_[i].kind != KeyValueLine::Kind::Group; ++i)
            if (lines_[i].kind == KeyValueLine::Kind::Key) keyIndex_.emplace(folded(lines_[i].name), i);
        currentEnd_ = i;
        keyIndexValid_ = true;
    }
    const auto found = keyIndex_.find(folded(storedKey));
    return found == keyIndex_.end() ? npos : found->second;
}

bool KeyValueFile::selectGroup(std::string_view name) {
    if (access_ == Access::Closed) return false;
    if (name.empty()) {
        selectStored(kLeading, {});
        return true;
    }
    std::string stored = toStored(name);
    const size_t group = findGroup(stored);
    selectStored(group, std::move(stored));
    return group != npos;
}

// The group line at `group` (kLeading: the leading section) becomes
// current; npos makes `storedName` the pending group.
void KeyValueFile::selectStored(size_t group, std::string storedName) {
    forgetKeyIndex();
    singleByteGroup_ = false;
    pending_ = group == npos && !storedName.empty();
    if (pending_)
        pendingGroup_ = std::move(storedName);
    else
        current_ = group;
}

std::string KeyValueFile::readValue(std::string_view key, std::string_view fallback) const {
    if (access_ == Access::Closed || pending_) return std::string(fallback);
    const size_t line = findKey(toStored(key));
    if (line == npos) return std::string(fallback);
    const std::string_view value = trimBlanks(lines_[line].value);
    return utf8Mode_ ? fromUtf8(value) : std::string(value);
}

void KeyValueFile::writeValue(std::string_view key, std::string_view value) {
    if (access_ == Access::Closed) return;
    writeStored(toStored(key), toStored(value));
}

void KeyValueFile::writeStored(std::string storedKey, std::string value) {
    // A value is one line: CR, LF, NUL and the other control characters
    // become spaces, so that no text (a scraped title) can start a group or
    // key of its own in the file. None of them is part of a UTF-8 sequence.
    for (char& c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    if (pending_) {
        lines_.push_back({KeyValueLine::Kind::Group, std::move(pendingGroup_), {}});
        current_ = lines_.size() - 1;
        pending_ = false;
        pendingGroup_.clear();
        forgetKeyIndex();
    }
    const size_t line = findKey(storedKey);
    if (line != npos) {
        lines_[line].name = std::move(storedKey);
        lines_[line].value = std::move(value);
    } else {
        const size_t at = currentEnd_;
        keyIndex_.emplace(folded(storedKey), at);
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                      {KeyValueLine::Kind::Key, std::move(storedKey), std::move(value)});
        ++currentEnd_;
    }
    modified_ = true;
}

void KeyValueFile::removeGroup(std::string_view name) {
    if (access_ == Access::Closed) return;
    // The name is converted like every other name, so that in UTF-8 mode a
    // group the program wrote itself is found again and really rebuilt.
    removeStoredGroup(toStored(name));
}

void KeyValueFile::removeStoredGroup(std::string_view storedName) {
    const size_t group = findGroup(storedName);
    if (group == npos) return;
    const size_t end = groupEnd(group);
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(group),
                 lines_.begin() + static_cast<std::ptrdiff_t>(end));
    if (current_ == group) {
        current_ = kLeading;
        singleByteGroup_ = false;
    } else if (current_ != kLeading && current_ > group) {
        current_ -= end - group;
    }
    forgetKeyIndex();
    modified_ = true;
}

bool KeyValueFile::close() {
    bool stored = true;
    int why = 0;
    if (modified_ && !path_.empty()) {
        if (access_ == Access::ReadWrite || (access_ == Access::Absent && mayCreate(path_))) {
            stored = atomic_file::replaceContent(path_, serialize());
            why = errno;
        } else {
            stored = false;
            why = EACCES;
        }
    }
    path_.clear();
    access_ = Access::Closed;
    utf8Mode_ = false;
    modified_ = false;
    lines_.clear();
    lines_.shrink_to_fit();
    current_ = kLeading;
    pending_ = false;
    pendingGroup_.clear();
    singleByteGroup_ = false;
    forgetKeyIndex();
    if (!stored) errno = why;
    return stored;
}
