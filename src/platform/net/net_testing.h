// What tests change or ask of the network stand-in beyond what the program
// uses: a forced connection state, shorter limits, and the pure rules behind
// connected() and the address escaping. Built into the same library as
// net.h; the program's own code includes net.h only.
//
// Threads: any, as net.h; the settings are atomics read at each transfer.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/net/net.h"

namespace net {

// ---- connection state ------------------------------------------------------

// Forces the answer of connected() (true/false) or returns to the system's
// (nullopt).
void overrideConnected(std::optional<bool> state);

// The rule behind connected(), over the texts of /proc/net/route and
// /proc/net/ipv6_route and a predicate telling whether a named interface is
// up, running and not loopback. Pure.
bool hasDefaultRoute(std::string_view ipv4Routes, std::string_view ipv6Routes,
                     const std::function<bool(std::string_view)>& isUsable);

// ---- limits ----------------------------------------------------------------

struct Timeouts {
    std::chrono::milliseconds connect{10000};  // to open the connection
    std::chrono::milliseconds stall{20000};    // with no byte received
};
// Shortens the limits; the defaults suit a desktop on a slow line.
void setTimeouts(Timeouts timeouts);
Timeouts timeouts();

// The endless-stream rules of downloadToFile: a body of no declared length
// past `bytes` (250 MB by default), or still arriving `after` its first byte
// (30 s by default) at no more than its stream's pace.
void setMaxUnsizedBytes(std::uint64_t bytes);
void setStreamPaceCheck(std::chrono::milliseconds after);

// ---- addresses -------------------------------------------------------------

// Percent-encodes the bytes of an address that cannot stand in a request
// line (controls, space, bytes from 0x80); everything else stays.
std::string escapeUnsafeBytes(std::string_view address);

}  // namespace net
