// The video site window with its embedded browser. UI thread only.
#pragma once

#include <string>

// VideoButton: (re)opens VideoWindow, shows the splash for one second (the
// program is held meanwhile), cleans `currentTitle` with videoSearchTerm and
// opens the browser on the video site's search for it, or on its start page.
void openVideoWindow();
// The title less the first three of each digit, then the first "-", "_" and ".". Pure.
std::string videoSearchTerm(const std::string& title);
// The javascript: address that loads the script site's "js/db.js" into the page shown.
std::string videoBookmarklet();
void videoGoBack();
void videoGoForward();
void videoStop();
void videoRefresh();
void videoRunBookmarklet();
// Any window-size event while the window is open: the browser fills the
// window below the button row.
void resizeVideoBrowser();
// Close request of VideoWindow: destroys it; `videoWindowOpen` := 0.
void closeVideoWindow();
