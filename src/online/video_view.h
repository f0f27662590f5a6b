// The video site window with its embedded browser.
#pragma once

#include <string>

void openVideoWindow();
std::string videoSearchTerm(const std::string& title);
void videoGoBack();
void videoGoForward();
void videoStop();
void videoRefresh();
void videoRunBookmarklet();
void resizeVideoBrowser();
void closeVideoWindow();
