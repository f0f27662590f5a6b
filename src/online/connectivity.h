// Connection state and the one-read page fetch.
#pragma once

#include <optional>
#include <string>

bool isConnected();
// The page's bytes as sent (no charset conversion), or nullopt on any failure.
std::optional<std::string> fetchPage(const std::string& address);
