// Addresses of scraped links.
#pragma once

#include <string>

// A link as scraped, made absolute against the music site's base address
// ("/f/a.mp3" -> "http://site/f/a.mp3"); an absolute link stays as it is.
// Any thread (reads the environment).
std::string resolveSiteLink(const std::string& link);
