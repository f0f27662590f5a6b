// The Range header of a file request, read against the file's size. The
// server answers ranges itself: the HTTP library's own handling announces
// bytes past the end of the file that it then cannot send.
#pragma once

#include <cstdint>
#include <string_view>

namespace site {

enum class RangeAnswer {
    Whole,          // no usable range: send the whole file with 200
    Partial,        // send bytes [first, first + length) with 206
    Unsatisfiable,  // 416, with "Content-Range: bytes */size"
};

struct ByteRange {
    uint64_t first = 0;
    uint64_t length = 0;
};

// One range "bytes=a-b", "bytes=a-" or "bytes=-n"; an end past the file is
// cut to its last byte. Several ranges, other units and malformed headers are
// ignored (the whole file is sent), as HTTP allows. Pure.
RangeAnswer parseRange(std::string_view header, uint64_t size, ByteRange& range);

}  // namespace site
