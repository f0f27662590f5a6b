// Connection state and the one-read page fetch.
#pragma once

#include <optional>
#include <string>

// True when the machine has a network connection (a non-loopback interface
// up and a default route through it). Cheap: safe on every 35 ms tick. Any thread.
bool isConnected();
// True when a web server answers at `address` within a fraction of a
// second: a search site on this machine serves without any network.
bool siteAnswers(const std::string& address);
// Wakes the window's wait whenever the connection may have changed, so that
// an idle window shows the new state at once without polling for it.
void followConnectionChanges();

// The page at `address` as its bytes (no charset conversion): the whole body
// up to 1,000,000 bytes, cut at its first zero byte. nullopt on any failure
// (no connection, refused or broken request, empty answer); error pages of
// the server are returned like any other. Blocks for at least 1000 ms from
// the call; the wait overlaps the transfer. Any thread; no message is shown.
std::optional<std::string> fetchPage(const std::string& address);

// fetchPage, decoded to UTF-8 from the charset the server declares
// (Windows-1251 when it declares none).
std::optional<std::string> fetchPageText(const std::string& address);
