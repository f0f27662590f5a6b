// Entry points whose behaviour is not built yet: each does nothing.
#include "online/video_view.h"

void openVideoWindow() {}
std::string videoSearchTerm(const std::string& title) {
    return title;
}
void videoGoBack() {}
void videoGoForward() {}
void videoStop() {}
void videoRefresh() {}
void videoRunBookmarklet() {}
void resizeVideoBrowser() {}
void closeVideoWindow() {}
