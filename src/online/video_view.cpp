// The video site window: a one-second splash, then the embedded browser on
// the site's search for the last title, with a row of buttons above it.
// Everything runs on the UI thread; the web module is loaded on the first
// opening only.
#include "online/video_view.h"

#include <chrono>
#include <thread>

#include "platform/gui/gui.h"
#include "platform/web/web.h"
#include "state/addresses.h"
#include "state/app_state.h"
#include "ui/ids.h"
#include "ui/layout.h"

namespace {

constexpr int windowWidth = 800;
constexpr int windowHeight = 600;
constexpr int buttonRowHeight = 35;
// The fourth letter is the Latin "a", the rest of the word Cyrillic.
constexpr const char* windowTitle =
    "Кач"
    "a"
    "ем видео с Youtube";

}  // namespace

std::string videoBookmarklet() {
    return "javascript:void((function(){var s=document.createElement('script');s.setAttribute('type','text/"
           "javascript');s.setAttribute('src','" +
           scriptSiteBase() + "js/db.js" + "');try{document.body.appendChild(s)}catch(e){}})())";
}

void openVideoWindow() {
    appState.videoWindowOpen = 1;
    // Creating the number again destroys an open VideoWindow with its controls.
    gui::createWindow(win::VideoWindow, gui::WindowStyle::Sizeable, windowWidth, windowHeight, windowTitle);
    gui::setWindowBackground(win::VideoWindow, {255, 255, 255});
    gui::setWindowSizeLimits(win::VideoWindow, 500, 500, 1680, 1050);
    gui::showWindow(win::VideoWindow);

    gui::createPicture(ctl::VideoSplash, win::VideoWindow, 0, {150, 80, 520, 330}, img::VideoSplashImage);
    const auto splashEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
    // The wait below runs no loop: the window must be on screen and painted
    // before it, or the second shows a blank or absent window.
    gui::paintWindowNow(win::VideoWindow, 500);
    // The splash's second holds the whole program, by design; the first
    // opening loads the web module inside it rather than after it.
    web::preload();
    std::this_thread::sleep_until(splashEnd);
    gui::setControlX(ctl::VideoSplash, layout::kOutOfViewX);

    appState.currentTitle = videoSearchTerm(appState.currentTitle);
    // The term goes as it is; the browser encodes what needs encoding.
    std::string start = videoSiteBase();
    if (!appState.currentTitle.empty()) start += "results?search_query=" + appState.currentTitle + "&aq=f";

    gui::createHost(ctl::VideoBrowser, win::VideoWindow, 0,
                    {0, buttonRowHeight, windowWidth, windowHeight - buttonRowHeight});
    web::createView(ctl::VideoBrowser, start);
    gui::createPushButton(ctl::BackButton, win::VideoWindow, 0, {30, 5, 70, 20}, "<<<");
    gui::createPushButton(ctl::StopButton, win::VideoWindow, 0, {110, 5, 40, 20}, "Стоп");
    gui::createPushButton(ctl::RefreshButton, win::VideoWindow, 0, {160, 5, 70, 20}, "Обновить");
    gui::createPushButton(ctl::ForwardButton, win::VideoWindow, 0, {240, 5, 70, 20}, ">>>");
    gui::createPushButton(ctl::DownloadButton, win::VideoWindow, 0, {420, 5, 70, 20}, "Скачать");
}

void videoGoBack() {
    web::goBack(ctl::VideoBrowser);
}
void videoGoForward() {
    web::goForward(ctl::VideoBrowser);
}
void videoStop() {
    web::stop(ctl::VideoBrowser);
}
void videoRefresh() {
    web::reload(ctl::VideoBrowser);
}
void videoRunBookmarklet() {
    web::navigate(ctl::VideoBrowser, videoBookmarklet());
}

void resizeVideoBrowser() {
    if (appState.videoWindowOpen != 1) return;
    gui::Rect client = gui::windowClientRect(win::VideoWindow);
    gui::resizeControl(ctl::VideoBrowser, client.w, client.h - buttonRowHeight);
}

void closeVideoWindow() {
    gui::destroyWindow(win::VideoWindow);
    appState.videoWindowOpen = 0;
}
