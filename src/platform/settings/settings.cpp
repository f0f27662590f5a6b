#include "platform/settings/settings.h"

#include <sys/stat.h>

#include <QSettings>
#include <QStandardPaths>
#include <cstdlib>
#include <fstream>

namespace settings {

ReadResult read(const std::string& path) {
    ReadResult result;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return result;  // never written yet
    // QSettings says nothing of a file it may not open: ask first.
    if (!S_ISREG(st.st_mode) || !std::ifstream(path)) {
        result.damaged = true;
        return result;
    }
    const QSettings file(QString::fromStdString(path), QSettings::IniFormat);
    // The file is parsed at the first question, and only then says how it went.
    const QStringList keys = file.allKeys();
    result.damaged = file.status() != QSettings::NoError;
    for (const QString& key : keys)
        result.values[key.toStdString()] = file.value(key).toString().toStdString();
    return result;
}

bool write(const std::string& path, const Values& values) {
    // QSettings writes through a temporary file renamed over the old one,
    // and merges what it holds with the file on disk: clear() drops the
    // old file's keys, whatever they were.
    QSettings file(QString::fromStdString(path), QSettings::IniFormat);
    file.clear();
    for (const auto& [key, value] : values)
        file.setValue(QString::fromStdString(key), QString::fromStdString(value));
    file.sync();
    return file.status() == QSettings::NoError;
}

std::string playerSettingsPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config && config[0] == '/') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::string(home ? home : "") + "/.config";
    }
    return folder + "/kestrel-player/kestrel-player.conf";
}

std::string musicFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::MusicLocation).toStdString();
}

}  // namespace settings
