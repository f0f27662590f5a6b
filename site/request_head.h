// The head of an HTTP request (its request line and header fields) read from
// a connection's bytes as they arrive, so that a request is handed to a
// request thread only once the whole of it is in, and one that breaks a limit
// is answered without ever holding a thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace site {

struct HeadLimits {
    size_t maxBytes = 32 << 10;  // request line, fields and the blank line
    size_t maxFields = 100;
    uint64_t maxBody = 1 << 20;
};

// What a request is for, which decides the threads it may use.
enum class RequestKind {
    Quick,     // a page, a search, the script: answered in milliseconds
    Transfer,  // a file under /f/: may last as long as a paused player
    Reindex,   // POST /reindex: as long as a scan
};

class RequestHead {
  public:
    enum class State {
        Partial,         // more bytes are needed
        Complete,        // the head is in: see headSize() and bodySize()
        TooLarge,        // too many fields or bytes: 431
        BodyTooLarge,    // a declared body over the limit: 413
        LengthRequired,  // a body without a length (Transfer-Encoding): 411
        Bad,             // a length that is not a number, or two that differ: 400
    };

    explicit RequestHead(HeadLimits limits = {}) : limits_(limits) {}

    // Reads on in `bytes` (everything received for this request so far, the
    // same bytes as before plus more) from where the last call stopped, so a
    // head sent a byte at a time costs no more than one sent at once. Lines
    // end at LF; the head ends at a line that is CR LF alone, as the HTTP
    // library reads it. Once the answer is not Partial it stays the same.
    State scan(std::string_view bytes);

    size_t headSize() const { return headSize_; }  // with the blank line
    uint64_t bodySize() const { return bodySize_; }
    const std::string& method() const { return method_; }
    const std::string& target() const { return target_; }
    RequestKind kind() const;

    // Removes the Range fields from the head at the front of `bytes` and
    // returns the value of the only one (empty when there were none or
    // several). The site answers ranges itself: the library would refuse a
    // malformed one with 416, where HTTP says to ignore it.
    std::string takeRange(std::string& bytes);

  private:
    State field(std::string_view line, size_t begin, size_t end);

    HeadLimits limits_;
    State state_ = State::Partial;
    size_t scanned_ = 0;    // bytes read so far
    size_t lineStart_ = 0;  // where the line being read starts
    size_t fields_ = 0;
    size_t headSize_ = 0;
    uint64_t bodySize_ = 0;
    bool lengthSeen_ = false, chunked_ = false, badLength_ = false;
    std::string method_, target_;
    std::vector<std::pair<size_t, size_t>> ranges_;  // [begin, end) of each Range line
};

}  // namespace site
