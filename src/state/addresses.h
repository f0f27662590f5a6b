// The three sites the program talks to. Constants, each overridable by an
// environment variable so that tests and users can point elsewhere.
#pragma once

#include <string>

// Each ends with "/".
std::string musicSiteBase();   // KESTREL_SITE_URL
std::string videoSiteBase();   // KESTREL_VIDEO_URL
std::string scriptSiteBase();  // KESTREL_SCRIPT_URL; defaults to the music site
