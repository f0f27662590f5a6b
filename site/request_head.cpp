#include "request_head.h"

#include <cstring>

namespace site {
namespace {

std::string_view trimLine(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
    return true;
}

// The value of a field line "Name: value", or nothing when the name differs.
bool valueOf(std::string_view line, std::string_view name, std::string_view& value) {
    size_t colon = line.find(':');
    if (colon == std::string_view::npos || !sameName(line.substr(0, colon), name)) return false;
    value = trimLine(line.substr(colon + 1));
    return true;
}

}  // namespace

RequestHead::State RequestHead::scan(std::string_view bytes) {
    if (state_ != State::Partial) return state_;
    while (scanned_ < bytes.size()) {
        const void* lf = std::memchr(bytes.data() + scanned_, '\n', bytes.size() - scanned_);
        if (!lf) {
            scanned_ = bytes.size();
            break;
        }
        const size_t end = size_t(static_cast<const char*>(lf) - bytes.data()) + 1;
        const size_t begin = lineStart_;
        std::string_view line = bytes.substr(begin, end - begin);
        scanned_ = lineStart_ = end;
        if (end > limits_.maxBytes) return state_ = State::TooLarge;
        if (begin == 0) {
            // "METHOD TARGET VERSION": only what picks the request's threads.
            std::string_view rest = trimLine(line);
            size_t sp = rest.find(' ');
            method_ = std::string(rest.substr(0, sp));
            rest = sp == std::string_view::npos ? std::string_view() : rest.substr(sp + 1);
            target_ = std::string(rest.substr(0, rest.find(' ')));
            continue;
        }
        if (line == "\r\n") {
            headSize_ = end;
            if (chunked_) return state_ = State::LengthRequired;
            if (badLength_) return state_ = State::Bad;
            if (bodySize_ > limits_.maxBody) return state_ = State::BodyTooLarge;
            return state_ = State::Complete;
        }
        if (++fields_ > limits_.maxFields) return state_ = State::TooLarge;
        std::string_view value;
        if (valueOf(line, "Content-Length", value)) {
            if (value.empty() || value.find_first_not_of("0123456789") != std::string_view::npos) {
                badLength_ = true;
            } else {
                // Past 18 digits a length is only too large, never a wrapped small one.
                uint64_t n = value.size() > 18 ? limits_.maxBody + 1 : std::stoull(std::string(value));
                if (lengthSeen_ && n != bodySize_) badLength_ = true;
                bodySize_ = n;
            }
            lengthSeen_ = true;
        } else if (valueOf(line, "Transfer-Encoding", value)) {
            chunked_ = true;
        } else if (valueOf(line, "Range", value)) {
            ranges_.emplace_back(begin, end);
        }
    }
    if (bytes.size() > limits_.maxBytes) return state_ = State::TooLarge;
    return State::Partial;
}

RequestKind RequestHead::kind() const {
    std::string_view path = std::string_view(target_).substr(0, target_.find('?'));
    if (path.substr(0, 3) == "/f/") return RequestKind::Transfer;
    if (method_ == "POST" && path == "/reindex") return RequestKind::Reindex;
    return RequestKind::Quick;
}

std::string RequestHead::takeRange(std::string& bytes) {
    std::string value;
    if (ranges_.size() == 1) {
        std::string_view v;
        valueOf(std::string_view(bytes).substr(ranges_[0].first, ranges_[0].second - ranges_[0].first),
                "Range", v);
        value = std::string(v);
    }
    for (auto it = ranges_.rbegin(); it != ranges_.rend(); ++it) {
        bytes.erase(it->first, it->second - it->first);
        headSize_ -= it->second - it->first;
    }
    ranges_.clear();
    return value;
}

}  // namespace site
