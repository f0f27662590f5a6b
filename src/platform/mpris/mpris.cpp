// The two MPRIS interfaces and the player's own as QtDBus adaptors on one
// object. The adaptors read the last published Status; commands, volume and
// position writes and items to open go straight to the program's callbacks.
// PropertiesChanged is sent by publish() for the properties that changed,
// Position excepted (clients ask for it).
#include "platform/mpris/mpris.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
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
constexpr const char* kOwnInterface = "org.kestrelplayer.KestrelPlayer";

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

QString trackPath(const Status& status, uint64_t track) {
    return status.title.empty() ? QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack")
                                : QStringLiteral("/org/kestrelplayer/Track/%1").arg(track);
}

QVariantMap metadataOf(const Status& status, uint64_t track) {
    QVariantMap map;
    map[QStringLiteral("mpris:trackid")] = QVariant::fromValue(QDBusObjectPath(trackPath(status, track)));
    if (status.title.empty()) return map;
    map[QStringLiteral("xesam:title")] = toQ(status.title);
    if (!status.artist.empty()) map[QStringLiteral("xesam:artist")] = QStringList{toQ(status.artist)};
    if (!status.album.empty()) map[QStringLiteral("xesam:album")] = toQ(status.album);
    if (!status.artUrl.empty()) map[QStringLiteral("mpris:artUrl")] = toQ(status.artUrl);
    if (status.lengthUs > 0) map[QStringLiteral("mpris:length")] = qlonglong(status.lengthUs);
    return map;
}

QStringList toQ(const std::vector<std::string>& items) {
    QStringList list;
    for (const std::string& item : items) list << toQ(item);
    return list;
}

std::vector<std::string> fromQ(const QStringList& list) {
    std::vector<std::string> items;
    for (const QString& item : list) items.push_back(item.toStdString());
    return items;
}

void open(const std::vector<std::string>& items, bool raise) {
    if (service && service->player.open) service->player.open(items, raise);
}

void send(Command command) {
    if (service && service->player.command) service->player.command(command);
}

class RootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ yes)
    Q_PROPERTY(bool CanRaise READ yes)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ schemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ mimeTypes)

  public:
    explicit RootAdaptor(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    bool yes() const { return true; }
    bool no() const { return false; }
    QString identity() const { return toQ(service->player.identity); }
    QString desktopEntry() const { return toQ(service->player.desktopEntry); }
    QStringList schemes() const {
        return {QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("https")};
    }
    QStringList mimeTypes() const { return toQ(service->player.mimeTypes); }

  public slots:
    void Raise() { send(Command::Raise); }
    void Quit() { send(Command::Quit); }
};

// The player's own: what a later start of the program hands over.
class OwnAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kestrelplayer.KestrelPlayer")

  public:
    explicit OwnAdaptor(QObject* parent) : QDBusAbstractAdaptor(parent) {}

  public slots:
    // Opens the items (the first playable one plays) and raises the window;
    // an empty list only raises it.
    void Open(const QStringList& items) { open(fromQ(items), true); }
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
    Q_PROPERTY(bool CanSeek READ canSeek)
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
    qlonglong position() const { return service->player.position ? service->player.position() : 0; }
    bool canGoNext() const { return service->status.canGoNext; }
    bool canGoPrevious() const { return service->status.canGoPrevious; }
    bool canSeek() const { return service->status.canSeek; }
    bool yes() const { return true; }

  public slots:
    void Next() { send(Command::Next); }
    void Previous() { send(Command::Previous); }
    void Pause() { send(Command::Pause); }
    void PlayPause() { send(Command::PlayPause); }
    void Stop() { send(Command::Stop); }
    void Play() { send(Command::Play); }
    void Seek(qlonglong offset) {
        if (service->status.canSeek && service->player.seekBy) service->player.seekBy(offset);
    }
    // Only for the track that plays, and only within it, as the interface says.
    void SetPosition(const QDBusObjectPath& track, qlonglong position) {
        const Status& status = service->status;
        if (!status.canSeek || track.path() != trackPath(status, service->track) || position < 0 ||
            (status.lengthUs > 0 && position > status.lengthUs) || !service->player.setPosition)
            return;
        service->player.setPosition(position);
    }
    void OpenUri(const QString& uri) { open({uri.toStdString()}, false); }

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

Claim start(const std::string& busSuffix, Player player) {
    if (service) return Claim::Owned;
    if (!sessionBusConfigured()) return Claim::NoBus;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return Claim::NoBus;

    auto created = std::make_unique<Service>();
    created->player = std::move(player);
    created->object = std::make_unique<QObject>();
    new RootAdaptor(created->object.get());
    new PlayerAdaptor(created->object.get());
    new OwnAdaptor(created->object.get());
    service = std::move(created);
    // The object first: whoever finds the name finds it answering.
    if (!bus.registerObject(kObjectPath, service->object.get())) {
        service.reset();
        return Claim::NoBus;
    }
    // Never queued and never replaced: the name is the lock that keeps a
    // second player from starting beside this one.
    const QString name = QStringLiteral("org.mpris.MediaPlayer2.") + toQ(busSuffix);
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
        name, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        service->busName = name;
        return Claim::Owned;
    }
    bus.unregisterObject(kObjectPath);
    service.reset();
    return reply.isValid() ? Claim::Taken : Claim::NoBus;
}

Handover handOver(const std::string& busSuffix, const std::vector<std::string>& items, int timeoutMs,
                  uint32_t* ownerPid) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString name = QStringLiteral("org.mpris.MediaPlayer2.") + toQ(busSuffix);
    if (ownerPid) {
        const QDBusReply<uint> pid = bus.interface() ? bus.interface()->servicePid(name) : QDBusReply<uint>();
        *ownerPid = pid.isValid() ? pid.value() : 0;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(name, kObjectPath, QString::fromLatin1(kOwnInterface),
                                                       QStringLiteral("Open"));
    call << toQ(items);
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) return Handover::Done;
    const QString error = reply.errorName();
    if (error == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
        error == QLatin1String("org.freedesktop.DBus.Error.Timeout"))
        return Handover::NoAnswer;
    if (error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return Handover::Gone;
    return Handover::Failed;
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
    if (status.title != before.title || status.artist != before.artist || status.album != before.album ||
        status.artUrl != before.artUrl || status.lengthUs != before.lengthUs)
        changed[QStringLiteral("Metadata")] = metadataOf(status, service->track);
    if (status.canSeek != before.canSeek) changed[QStringLiteral("CanSeek")] = status.canSeek;
    if (status.volume != before.volume) changed[QStringLiteral("Volume")] = status.volume;
    if (status.canGoNext != before.canGoNext) changed[QStringLiteral("CanGoNext")] = status.canGoNext;
    if (status.canGoPrevious != before.canGoPrevious)
        changed[QStringLiteral("CanGoPrevious")] = status.canGoPrevious;
    if (changed.isEmpty()) return;

    QDBusMessage signal = QDBusMessage::createSignal(
        kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

void seeked(int64_t positionUs) {
    if (!service) return;
    QDBusMessage signal = QDBusMessage::createSignal(kObjectPath, QString::fromLatin1(kPlayerInterface),
                                                     QStringLiteral("Seeked"));
    signal << qlonglong(positionUs);
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
