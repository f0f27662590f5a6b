// The dispatch table: only the rows of the control that reported apply, top
// to bottom, each when its event type matches.
#include "app/dispatch.h"

#include "app/modes.h"
#include "app/next_track.h"
#include "audio/audio_binding.h"
#include "audio/playback.h"
#include "library/artist_catalogue.h"
#include "library/local_files.h"
#include "library/playlist.h"
#include "library/stations.h"
#include "online/download.h"
#include "online/search.h"
#include "online/video_view.h"
#include "platform/gui/gui.h"
#include "state/app_state.h"
#include "ui/ids.h"
#include "ui/layout.h"

namespace {

constexpr int kLeft = int(gui::ControlEventType::Left);
constexpr int kRight = int(gui::ControlEventType::Right);
constexpr int kDouble = int(gui::ControlEventType::Double);

bool inIconColumn(layout::Span column) {
    return column.holds(appState.mouseX) && layout::kIconRows.holds(appState.mouseY);
}

// Controls whose events come a user's reaction time before a play: a mode
// with a list shown, a search, a row chosen, the folder dialog.
bool announcesPlay(int control) {
    switch (control) {
        case ctl::RadioModeButton:
        case ctl::Mp3ModeButton:
        case ctl::SearchButton:
        case ctl::SearchResultsList:
        case ctl::StyleList:
        case ctl::StationList:
        case ctl::PlaylistList:
        case ctl::LocalFilesList:
        case ctl::OpenFolderButton:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool dispatchControlEvent(int control, int type) {
    // The audio library loads its decoders meanwhile (once), so that the
    // first sound starts as fast as later ones; the idle player stays small.
    if (announcesPlay(control)) prepareAudio();
    if (control >= ctl::CyrillicLetterLinkFirst && control <= ctl::DigitLink) {
        loadArtistLetter(gui::text(control));
        return true;
    }
    switch (control) {
        case ctl::TitleHotspot:
            if (type == kRight) toggleCompactMode();
            break;
        case ctl::SearchButton:
            if (type == kRight) showHistoryDropdown();
            if (type == kLeft) runSearch();
            appState.searchMade = 1;
            gui::setControlX(ctl::SearchPicture, layout::kOutOfViewX);
            break;
        case ctl::SiteLogoLink:
            openSearchInBrowser();
            break;
        case ctl::SearchResultsList:
            appState.downloadSource = {1, 0};
            if (type == kDouble) playSearchResult();
            if (type == kLeft && inIconColumn(layout::kAddIconColumn)) addResultToPlaylist();
            break;
        case ctl::HistoryCombo:
            takeHistoryItem();
            break;
        case ctl::PlayButton:
            togglePause();
            break;
        // Every click but a right one steps (a quick second click comes as a
        // double click); the desktop's media keys arrive here as these events too.
        case ctl::PreviousButton:
            if (type != kRight) playPrevious();
            break;
        case ctl::NextButton:
            if (type != kRight) playNext();
            break;
        case ctl::MinimizeButton:
            if (type == kLeft) gui::minimizeWindow(win::MainWindow);
            break;
        case ctl::AboutButton:
            if (type == kLeft) showAboutBox();
            break;
        case ctl::CloseButton:
            return false;
        case ctl::RecordButton:
            if (type == kLeft) startDownload();
            break;
        case ctl::MuteButton:
            toggleMute();
            break;
        case ctl::RadioModeButton:
            toggleRadioMode();
            break;
        case ctl::Mp3ModeButton:
            toggleMp3Mode();
            break;
        case ctl::StyleList:
            if (type == kDouble) chooseStyle();
            break;
        case ctl::StationList:
            if (type == kDouble) playStation();
            break;
        case ctl::PlaylistList:
            appState.downloadSource = {0, 1};
            if (type == kDouble) {
                if (inIconColumn(layout::kDeleteIconColumn))
                    deletePlaylistEntry();
                else
                    playPlaylistEntry();
            }
            if (type == kRight && gui::listRowCount(ctl::PlaylistList) > 0) openPlaylistEditor();
            break;
        case ctl::SaveButton:
            savePlaylist();
            break;
        case ctl::ArtistIndexLink:
            openArtistIndex();
            break;
        case ctl::ArtistList1:
        case ctl::ArtistList2:
        case ctl::ArtistList3:
            chooseArtist(control);
            break;
        case ctl::OpenFolderButton:
            if (type == kLeft) openLocalFile();
            if (type == kRight || type == kDouble) refreshAlbum();
            break;
        case ctl::LocalFilesList:
            if (type == kDouble) playLocalFile();
            break;
        case ctl::PositionBar:
            seekFromPositionBar();
            break;
        case ctl::VideoButton:
            openVideoWindow();
            appState.videoWindowOpen = 1;
            break;
        case ctl::BackButton:
            videoGoBack();
            break;
        case ctl::ForwardButton:
            videoGoForward();
            break;
        case ctl::StopButton:
            videoStop();
            break;
        case ctl::RefreshButton:
            videoRefresh();
            break;
        case ctl::DownloadButton:
            videoRunBookmarklet();
            break;
        default:
            break;
    }
    return true;
}
