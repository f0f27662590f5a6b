// The two MPRIS interfaces as QtDBus adaptors on one object. The adaptors
// read the last published Status; commands and volume writes go straight to
// the program's callbacks. PropertiesChanged is sent by publish() for the
// properties that changed, Position excepted (clients ask for it).
#include "platform/mpris/mpris.h"

#include <unistd.h>

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <algorithm>
#include <memory>

namespace mpris {
namespace {

constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";

QString toQ(const std::string& text) {
    return QString::fromStdString(text);
}

struct Service {
    Player player;
    Status status;
    QString busName;
    uint64_t track = 0;  // numbers the titles, for mpris:trackid
    std::unique_ptr<QObject> object;
};
std::unique_ptr<Service> service;

QString playbackName(Playback playback) {
    switch (playback) {
        case Playback::Playing:
            return QStringLiteral("Playing");
        case Playback::Paused:
            return QStringLiteral("Paused");
        case Playback::Stopped:
            break;
    }
    return QStringLiteral("Stopped");
}

QVariantMap metadataOf(const Status& status, uint64_t track) {
    QVariantMap map;
    if (status.title.empty()) {
        map[QStringLiteral("mpris:trackid")] =
            QVariant::fromValue(QDBusObjectPath("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
        return map;
    }
    map[QStringLiteral("mpris:trackid")] =
        QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/kestrelplayer/Track/%1").arg(track)));
    map[QStringLiteral("xesam:title")] = toQ(status.title);
    if (status.lengthUs > 0) map[QStringLiteral("mpris:length")] = qlonglong(status.lengthUs);
    return map;
}

void send(Command command) {
    if (service && service->player.command) service->player.command(command);
}

class RootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ no)
    Q_PROPERTY(bool CanRaise READ no)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ none)
    Q_PROPERTY(QStringList SupportedMimeTypes READ none)

  public:
    explicit RootAdaptor(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    bool no() const { return false; }
    QString identity() const { return toQ(service->player.identity); }
    QString desktopEntry() const { return toQ(service->player.desktopEntry); }
    QStringList none() const { return {}; }

  public slots:
    // The window has no raise and closes only through its own button.
    void Raise() {}
    void Quit() {}
};

class PlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ no)
    Q_PROPERTY(bool CanControl READ yes)

  public:
    explicit PlayerAdaptor(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    QString playbackStatus() const { return playbackName(service->status.playback); }
    double rate() const { return 1.0; }
    void setRate(double) {}
    QVariantMap metadata() const { return metadataOf(service->status, service->track); }
    double volume() const { return service->status.volume; }
    void setVolume(double volume) {
        if (service->player.setVolume) service->player.setVolume(std::clamp(volume, 0.0, 1.0));
    }
    qlonglong position() const { return service->status.positionUs; }
    bool canGoNext() const { return service->status.canGoNext; }
    bool canGoPrevious() const { return service->status.canGoPrevious; }
    bool yes() const { return true; }
    bool no() const { return false; }

  public slots:
    void Next() { send(Command::Next); }
    void Previous() { send(Command::Previous); }
    void Pause() { send(Command::Pause); }
    void PlayPause() { send(Command::PlayPause); }
    void Stop() { send(Command::Stop); }
    void Play() { send(Command::Play); }
    // CanSeek is false: the position bar is the one way to seek.
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString&) {}

  signals:
    void Seeked(qlonglong position);
};

// Without an address and without the standard socket, asking for the
// session bus would make the bus library start a bus of its own for the X
// display (autolaunch), which would outlive us: that is treated as no bus.
bool sessionBusConfigured() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

}  // namespace

bool start(const std::string& busSuffix, Player player) {
    if (service) return true;
    if (!sessionBusConfigured()) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;

    auto created = std::make_unique<Service>();
    created->player = std::move(player);
    created->object = std::make_unique<QObject>();
    new RootAdaptor(created->object.get());
    new PlayerAdaptor(created->object.get());
    service = std::move(created);
    if (!bus.registerObject(kObjectPath, service->object.get())) {
        service.reset();
        return false;
    }
    // A second player on the same bus takes an instance name, as the
    // interface's rules say.
    const QString name = QStringLiteral("org.mpris.MediaPlayer2.") + toQ(busSuffix);
    for (const QString& candidate : {name, name + QStringLiteral(".instance%1").arg(getpid())}) {
        if (bus.registerService(candidate)) {
            service->busName = candidate;
            return true;
        }
    }
    bus.unregisterObject(kObjectPath);
    service.reset();
    return false;
}

bool running() {
    return service != nullptr;
}

void publish(const Status& status) {
    if (!service || status == service->status) return;
    const Status before = service->status;
    if (status.title != before.title) ++service->track;
    service->status = status;

    QVariantMap changed;
    if (status.playback != before.playback)
        changed[QStringLiteral("PlaybackStatus")] = playbackName(status.playback);
    if (status.title != before.title || status.lengthUs != before.lengthUs)
        changed[QStringLiteral("Metadata")] = metadataOf(status, service->track);
    if (status.volume != before.volume) changed[QStringLiteral("Volume")] = status.volume;
    if (status.canGoNext != before.canGoNext) changed[QStringLiteral("CanGoNext")] = status.canGoNext;
    if (status.canGoPrevious != before.canGoPrevious)
        changed[QStringLiteral("CanGoPrevious")] = status.canGoPrevious;
    if (changed.isEmpty()) return;  // the position alone moved

    QDBusMessage signal = QDBusMessage::createSignal(
        kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

void stop() {
    if (!service) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(service->busName);
    bus.unregisterObject(kObjectPath);
    service.reset();
}

}  // namespace mpris

#include "mpris.moc"
