// The secondary windows: the playlist editor and the artist index. Each
// opening replaces a window of the same number that is still open.
#include <array>
#include <string_view>

#include "platform/gui/gui.h"
#include "ui/ids.h"
#include "ui/register.h"

void buildPlaylistEditWindow() {
    gui::createWindow(win::PlaylistEditWindow, gui::WindowStyle::Dialog, 300, 100,
                      "Редактирование плейлиста");
    gui::createPushButton(ctl::SaveButton, win::PlaylistEditWindow, 0, {10, 60, 70, 25}, "Сохранить");
    gui::showWindow(win::PlaylistEditWindow);
}

namespace {

constexpr std::array<std::string_view, 26> kCyrillicLetters = {"а", "б", "в", "г", "д", "е", "ж", "з", "и",
                                                               "к", "л", "м", "н", "о", "п", "р", "с", "т",
                                                               "у", "ф", "х", "ц", "ч", "ш", "э", "ю"};
constexpr std::array<int, 26> kCyrillicX = {15,  28,  41,  54,  67,  80,  93,  106, 119, 132, 145, 158, 171,
                                            184, 197, 210, 223, 236, 249, 262, 275, 288, 301, 314, 328, 340};

}  // namespace

void buildArtistIndexWindow() {
    constexpr int w = win::ArtistIndexWindow;
    gui::createWindow(w, gui::WindowStyle::Dialog, 800, 600, "Список имён исполнителей:");
    gui::createEdit(ctl::ArtistNameField, w, 0, {10, 5, 700, 20}, "", true);
    for (int i = 0; i < 26; ++i)
        gui::createHyperlink(ctl::CyrillicLetterLinkFirst + i, w, 0, {kCyrillicX[size_t(i)], 30, 10, 13},
                             std::string(kCyrillicLetters[size_t(i)]));
    gui::createHyperlink(ctl::DigitLink, w, 0, {380, 30, 10, 12}, "#");
    // 14 pixels apart: wide letters ("m", "w") would touch their neighbours at 12.
    for (int n = 27; n <= 52; ++n)
        gui::createHyperlink(n, w, 0, {420 + 14 * (n - 27), 30, 12, 13}, std::string(1, char('a' + n - 27)));
    gui::createScrollArea(ctl::ArtistScrollArea, w, 0, {5, 50, 790, 540}, 790, 14000, 10);
    const int lists[3] = {ctl::ArtistList1, ctl::ArtistList2, ctl::ArtistList3};
    const int xs[3] = {5, 260, 515};
    for (int i = 0; i < 3; ++i)
        gui::createList(lists[i], w, ctl::ArtistScrollArea, {xs[i], 5, 250, 400}, "Имя исполнителя", 240,
                        false, {255, 255, 255});
    gui::showWindow(w);
}
