// The script that the player's video view injects into the page it shows.
#pragma once

namespace site {

// ASCII JavaScript (Cyrillic written as \u escapes, so it reads right whatever
// charset the page assumes). Run in a page, it shows, or on a second run hides,
// a small overlay listing the page's video links and <video> sources. It sends
// nothing anywhere and changes nothing else in the page.
extern const char kDbJs[];

}  // namespace site
