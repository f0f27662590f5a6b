// The shell stand-in: hands an address to the user's web browser.
#pragma once

#include <functional>
#include <string>

namespace shell {

// Opens `address` in the user's browser through `xdg-open` (found on PATH)
// and returns without waiting for the browser. Any thread. False when the
// opener could not be started; what the browser then does is not seen.
bool openInBrowser(const std::string& address);

// Tests: with an opener set, addresses go to it instead of a browser.
void setOpener(std::function<void(const std::string&)> opener);

}  // namespace shell
