// The key-value document for the program's own text (UTF-8): how text is
// stored in a Windows-1251 file, when a file turns into UTF-8, and how
// groups stored in the single-byte form of a file with the byte-order mark
// read back.
#include "library/key_value_file.h"
#include "platform/text/cp1251.h"

namespace {

constexpr size_t npos = static_cast<size_t>(-1);

}  // namespace

std::string KeyValueFile::textToStored(std::string_view text) const {
    if (!utf8Mode_) return text::toCp1251(text);
    if (singleByteGroup_) return toStored(text::toCp1251(text));
    return std::string(text);
}

bool KeyValueFile::selectGroupText(std::string_view name) {
    if (access_ == Access::Closed) return false;
    if (name.empty()) {
        selectStored(kLeading, {});
        return true;
    }
    const bool fits = text::fitsCp1251(name);
    if (!utf8Mode_) {
        if (fits) return selectGroup(text::toCp1251(name));
        convertToUtf8();  // no such group can be in the file as it is
    }
    size_t group = findGroup(name);
    if (group != npos) {
        selectStored(group, {});
        return true;
    }
    if (fits) {
        group = findGroup(toStored(text::toCp1251(name)));
        if (group != npos) {
            selectStored(group, {});
            singleByteGroup_ = true;
            return true;
        }
    }
    selectStored(npos, std::string(name));
    return false;
}

std::string KeyValueFile::readText(std::string_view key, std::string_view fallback) const {
    if (access_ == Access::Closed || pending_) return std::string(fallback);
    const size_t line = findKey(textToStored(key));
    if (line == npos) return std::string(fallback);
    std::string_view value = lines_[line].value;
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    if (!utf8Mode_) return text::fromCp1251(value);
    if (singleByteGroup_) return text::fromLatin1OfCp1251(value);
    return std::string(value);
}

void KeyValueFile::writeText(std::string_view key, std::string_view value) {
    if (access_ == Access::Closed) return;
    const bool fits = text::fitsCp1251(key) && text::fitsCp1251(value);
    if (!utf8Mode_ && !fits)
        convertToUtf8();
    else if (utf8Mode_ && singleByteGroup_ && !fits)
        convertGroupToUtf8();
    writeStored(textToStored(key), textToStored(value));
}

void KeyValueFile::removeGroupText(std::string_view name) {
    if (access_ == Access::Closed) return;
    const bool fits = text::fitsCp1251(name);
    if (!utf8Mode_) {
        if (fits) removeStoredGroup(text::toCp1251(name));
        return;
    }
    removeStoredGroup(name);
    if (!fits) return;
    const std::string singleByte = toStored(text::toCp1251(name));
    if (singleByte != name) removeStoredGroup(singleByte);
}

// Every line from Windows-1251 to UTF-8: nothing is lost, and from now on
// the file is written with the byte-order mark.
void KeyValueFile::convertToUtf8() {
    for (KeyValueLine& line : lines_) {
        line.name = text::fromCp1251(line.name);
        line.value = text::fromCp1251(line.value);
    }
    if (pending_) pendingGroup_ = text::fromCp1251(pendingGroup_);
    utf8Mode_ = true;
    singleByteGroup_ = false;
    forgetKeyIndex();
}

// The current group, stored in the single-byte form, to real UTF-8.
void KeyValueFile::convertGroupToUtf8() {
    const size_t end = groupEnd(current_);
    for (size_t i = current_; i < end; ++i) {
        lines_[i].name = text::fromLatin1OfCp1251(lines_[i].name);
        lines_[i].value = text::fromLatin1OfCp1251(lines_[i].value);
    }
    singleByteGroup_ = false;
    forgetKeyIndex();
}
