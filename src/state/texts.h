// The program's fixed texts for the user: the captions and texts of its
// message boxes and what the status strip says. Each is written here once,
// character for character as the user sees it, and used wherever it shows.
#pragma once

namespace texts {

// Message box captions. The empty-query box has its own spelling.
inline constexpr char kWarningCaption[] = "Внимание !";
inline constexpr char kSearchWarningCaption[] = "Внимание!";
inline constexpr char kInformationCaption[] = "Информация";

// Message box texts.
inline constexpr char kNoConnection[] = "Соединение с Интернетом отсутствует !";
inline constexpr char kNoAudioLibrary[] =
    "Звуковая библиотека не загружена. Программа будет работать без звука.";
inline constexpr char kEmptyQuery[] = "Поисковый запрос не определен ?";
inline constexpr char kPlaylistSaved[] = "Запись создана !";
inline constexpr char kPlaylistDiskFull[] = "Плейлист не сохранён: на диске нет места.";
inline constexpr char kPlaylistReadOnly[] =
    "Плейлист не сохранён: файл inet_radio.pls недоступен для записи.";
inline constexpr char kDownloadDone[] = "Запись Успешная !";
inline constexpr char kDownloadBusy[] = "Программа занята!\nИдет запись!";
inline constexpr char kAboutAuthors[] = "Авторы: команда Kestrel Player";
// A failed download's box: the first line, then the lines that say why.
inline constexpr char kDownloadFailed[] = "Запись потерпела неудачу !";
inline constexpr char kDiskFull[] = "На диске нет места.";
inline constexpr char kSaveFolderReadOnly[] = "Папка для записи доступна только для чтения:";
inline constexpr char kSaveFolderNotMade[] = "Не удалось создать папку для записи:";
inline constexpr char kFilesNotSaved[] = "Не записано файлов: ";  // failed, " из ", all
inline constexpr char kOutOf[] = " из ";

// The open dialog's filters.
inline constexpr char kAudioFilesFilter[] = "Звуковые файлы";
inline constexpr char kAllFilesFilter[] = "Все файлы";

// The status strip.
inline constexpr char kRecording[] = "       - Идёт запись";  // after the caption of the file being saved
inline constexpr char kSiteDown[] = "Сайт поиска не отвечает";
inline constexpr char kNothingFound[] = "Ничего не найдено";
inline constexpr char kStationStyle[] = "Стиль: ";              // the style, then
inline constexpr char kStationName[] = "        Станция:    ";  // the station's row
inline constexpr char kStationSilent[] = "Станция не отвечает: ";
inline constexpr char kNotPlayable[] = "Не удалось воспроизвести: ";
inline constexpr char kNotAFile[] = " (это не файл)";
inline constexpr char kPassedOver[] = "     (не удалось воспроизвести: ";  // the entries, then ")"
// Before what plays, while the audio library plays it into no device.
inline constexpr char kNoSoundDevice[] = "Нет звукового устройства";

}  // namespace texts
