#include "byte_range.h"

#include <limits>

namespace site {
namespace {

// Decimal digits only; a value too large for 64 bits saturates.
bool parseNumber(std::string_view s, uint64_t& value) {
    if (s.empty()) return false;
    value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        uint64_t d = uint64_t(c - '0');
        if (value > (std::numeric_limits<uint64_t>::max() - d) / 10) {
            value = std::numeric_limits<uint64_t>::max();
        } else {
            value = value * 10 + d;
        }
    }
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

RangeAnswer parseRange(std::string_view header, uint64_t size, ByteRange& range) {
    header = trim(header);
    constexpr std::string_view kUnit = "bytes=";
    if (header.size() < kUnit.size()) return RangeAnswer::Whole;
    for (size_t i = 0; i < kUnit.size(); ++i)
        if ((header[i] | 0x20) != kUnit[i] && header[i] != kUnit[i]) return RangeAnswer::Whole;
    std::string_view set = trim(header.substr(kUnit.size()));
    if (set.find(',') != std::string_view::npos) return RangeAnswer::Whole;
    size_t dash = set.find('-');
    if (dash == std::string_view::npos) return RangeAnswer::Whole;
    std::string_view a = trim(set.substr(0, dash)), b = trim(set.substr(dash + 1));

    uint64_t first = 0, last = 0;
    if (a.empty()) {  // the last n bytes
        if (!parseNumber(b, last)) return RangeAnswer::Whole;
        if (last == 0 || size == 0) return RangeAnswer::Unsatisfiable;
        range.length = last < size ? last : size;
        range.first = size - range.length;
        return RangeAnswer::Partial;
    }
    if (!parseNumber(a, first)) return RangeAnswer::Whole;
    if (b.empty()) {
        last = std::numeric_limits<uint64_t>::max();
    } else if (!parseNumber(b, last) || last < first) {
        return RangeAnswer::Whole;
    }
    if (first >= size) return RangeAnswer::Unsatisfiable;
    if (last >= size) last = size - 1;
    range.first = first;
    range.length = last - first + 1;
    return RangeAnswer::Partial;
}

}  // namespace site
