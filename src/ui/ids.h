// The fixed numbers of the register. Windows, controls, images and fonts
// are numbered separately: image 333 and window 333 are different objects.
#pragma once

namespace win {
enum : int {
    MainWindow = 444,
    PlaylistEditWindow = 445,
    ArtistIndexWindow = 333,
    VideoWindow = 555,
};
}

namespace ctl {
enum : int {
    // MainWindow, in creation order
    SearchField = 448,
    HistoryHolder = 485,
    HistoryCombo = 486,
    SearchResultsPanel = 462,
    SearchResultsList = 446,
    PlaylistPanel = 482,
    PlaylistList = 481,
    StylePanel = 479,
    StyleList = 480,
    StationPanel = 477,
    StationList = 478,
    LocalFilesPanel = 345,
    LocalFilesList = 346,
    ArtistIndexLink = 489,
    TitleHotspot = 488,
    ConnectionIndicator = 487,
    SearchButton = 447,
    SiteLogoLink = 450,
    PlayButton = 451,
    MinimizeButton = 468,
    AboutButton = 469,
    CloseButton = 463,
    PauseIndicator = 470,
    TimeDisplay = 454,
    VolumeBar = 460,
    StatusStrip = 467,
    RecordButton = 471,
    MuteButton = 473,
    RadioModeButton = 474,
    Mp3ModeButton = 342,
    OpenFolderButton = 344,
    PositionBar = 353,
    VideoButton = 356,
    PreviousButton = 490,  // hotspots over the previous and next arrows of the skins
    NextButton = 491,
    SpectrumBarFirst = 100,  // SpectrumBar k is SpectrumBarFirst + k, k = 0 .. 107
    SpectrumBarLast = 207,
    AlbumPhoto = 347,
    RadioPicture = 351,
    SearchPicture = 354,
    // PlaylistEditWindow
    SaveButton = 484,
    // ArtistIndexWindow
    ArtistNameField = 339,
    CyrillicLetterLinkFirst = 1,  // 1 .. 26
    LatinLetterLinkFirst = 27,    // 27 .. 52
    DigitLink = 53,
    ArtistScrollArea = 337,
    ArtistList1 = 334,
    ArtistList2 = 335,
    ArtistList3 = 336,
    // VideoWindow
    VideoSplash = 562,
    VideoBrowser = 556,
    BackButton = 557,
    StopButton = 558,
    RefreshButton = 559,
    ForwardButton = 560,
    DownloadButton = 561,
};
constexpr int SpectrumBandCount = 108;
}  // namespace ctl

namespace img {
enum : int {
    // skin pictures, decoded at start-up in this order
    SearchSkin = 453,
    TimeBackImage = 455,
    VolumeBackImage = 459,
    VolumeKnobImage = 461,
    StatusBackImage = 466,
    PauseImage = 470,
    CloseHoverImage = 464,
    RecordingImage = 472,
    MutedImage = 473,
    RadioHoverImage = 474,
    RadioSkin = 475,
    SearchHoverImage = 476,
    PlayHoverImage = 483,
    CompactSkin = 488,
    Mp3HoverImage = 342,
    Mp3Skin = 343,
    OpenFolderHoverImage = 344,
    VideoSplashImage = 562,
    // canvases
    TimeImage = 454,
    VolumeImage = 460,
    SpectrumBarImage = 465,
    StatusImage = 467,
    ConnectionImage = 487,
    PositionImage = 353,
    // row icons
    AddIconImage = 300,
    PlaylistIconImage = 333,
    // pictures from files
    AlbumPlaceholderImage = 349,
    RadioPictureImage = 352,
    SearchPictureImage = 355,
    AlbumPhotoImage = 348,
    FileIconImage = 350,
    NumberedIconImage = 357,  // scratch image for the numbered row icons of LocalFilesList
};
}  // namespace img

namespace font {
enum : int {
    TimeFont = 456,
    StatusFont = 457,
    NumberFont = 458,
    TimeNarrowFont = 459,  // the time from 100 minutes on
};
}
