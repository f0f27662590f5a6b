// The key-value file format of "inet_radio.pls" and "файлы/name.pls":
// named groups of "key = value" lines with comment lines.
//
// `KeyValueFile` is one in-memory document: `open` reads a file into it,
// the operations select, read and change it, and `close` writes it back
// when it was changed. Everything is bytes (Windows-1251 in our files);
// callers convert. Paths are UTF-8 with "/" as separator.
//
// Reading keeps groups, comments and keys in file order and drops blank
// lines and indentation; writing produces "[name]", "; text" and
// "key = value" lines ending in CR LF. Names compare without regard to the
// case of ASCII letters only; the first of equal names wins. A file that
// starts with the UTF-8 byte-order mark is handled in UTF-8 mode: bytes
// 80..FF handed in become the two-byte sequences of U+0080..U+00FF, and
// values read come back as single bytes ("?" for any other character).
//
// Write-back replaces the file atomically (atomic_file.h): a crash or a full
// disk leaves the old content whole. A file that can only be read keeps its
// content (changes are discarded); a file that cannot be opened is created
// at `close` when something was written.
//
// Threads: the UI thread only (`keyValueFile` is the program's one document,
// unlocked). No operation throws, shows a message or reports beyond its result.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct KeyValueLine {
    enum class Kind : unsigned char { Group, Comment, Key };
    Kind kind = Kind::Key;
    std::string name;   // group name, comment text, or key name
    std::string value;  // key lines: the value as read (leading blanks removed)
    friend bool operator==(const KeyValueLine&, const KeyValueLine&) = default;
};

class KeyValueFile {
  public:
    enum class Access { Closed, ReadWrite, ReadOnly, Absent };

    // Closes the open document (writing it if changed), then reads `path`.
    // True when the file could be read (an empty file gives an empty
    // document). False for a file that cannot be opened: the document is
    // then empty and "absent", still takes changes, and `close` creates the
    // file. False also for a file that opens but cannot be read (a folder,
    // an I/O error): the document is empty and read-only, so that nothing
    // is ever written over it.
    bool open(const std::string& path);
    // "" selects the lines before the first group. A missing group becomes
    // pending (false): reads give defaults, the first write appends it.
    bool selectGroup(std::string_view name);
    // The value of the first key of that name in the current group, without
    // leading and trailing spaces and tabs; `fallback` when there is none.
    std::string readValue(std::string_view key, std::string_view fallback) const;
    // Control characters of the value (CR, LF, NUL, ...) are written as spaces.
    void writeValue(std::string_view key, std::string_view value);
    // Removes the first group of that name with its lines.
    void removeGroup(std::string_view name);
    // The same four for the program's own text (UTF-8), so that no character
    // is lost. A file without the byte-order mark holds Windows-1251 and
    // stays so, byte for byte, while every text fits; the first text that
    // does not turns the whole document into UTF-8 (the mark, then every
    // line converted). In a file with the mark text is stored as real
    // UTF-8; a group found only under the single-byte form of its name (the
    // Latin-1 reading of Windows-1251, which the byte operations above store
    // in such a file) reads back the same way, and a write into it converts
    // that group first.
    bool selectGroupText(std::string_view name);
    std::string readText(std::string_view key, std::string_view fallback = {}) const;
    void writeText(std::string_view key, std::string_view value);
    // Removes the group under either form of its name.
    void removeGroupText(std::string_view name);

    // Writes the document back when it was changed, then forgets it.
    // False when changes were made but could not be stored (read-only
    // file, folder missing, disk full): the file is then as it was, and
    // errno tells why (ENOSPC or EDQUOT for lack of space).
    bool close();

    // The document without any file, for tests, the fuzzer and benchmarks.
    // `parse` replaces the document by `bytes` read in memory (access
    // Absent, so `close` would create `path` when changed).
    void parse(std::string_view bytes, const std::string& path = {});
    std::string serialize() const;
    const std::vector<KeyValueLine>& lines() const { return lines_; }
    Access access() const { return access_; }
    bool utf8Mode() const { return utf8Mode_; }
    bool modified() const { return modified_; }

  private:
    static constexpr size_t kLeading = static_cast<size_t>(-1);

    std::string toStored(std::string_view text) const;
    std::string textToStored(std::string_view text) const;
    void selectStored(size_t group, std::string stored);
    void writeStored(std::string storedKey, std::string storedValue);
    void removeStoredGroup(std::string_view storedName);
    void convertToUtf8();
    void convertGroupToUtf8();
    size_t findGroup(std::string_view storedName) const;
    size_t groupEnd(size_t group) const;  // index of the first line after it
    size_t findKey(std::string_view storedKey) const;
    void forgetKeyIndex() const;

    std::string path_;
    Access access_ = Access::Closed;
    bool utf8Mode_ = false;
    bool modified_ = false;
    std::vector<KeyValueLine> lines_;
    size_t current_ = kLeading;  // index of the current group line
    bool pending_ = false;
    std::string pendingGroup_;
    // The current group of a file with the mark stores its text in the
    // single-byte form (found by selectGroupText under that form).
    bool singleByteGroup_ = false;

    // Folded key name -> line index for the current group, built on the
    // first look-up so that filling a large group stays linear.
    mutable bool keyIndexValid_ = false;
    mutable std::unordered_map<std::string, size_t> keyIndex_;
    mutable size_t currentEnd_ = 0;
};

// The program's one document.
extern KeyValueFile keyValueFile;
