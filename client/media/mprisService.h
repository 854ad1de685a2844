#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

namespace platform {
class MediaPlayerControl;
}

namespace media {

// The player on the session bus (MPRIS 2), so media keys and the desktop's player widgets can
// play, pause and stop it and show what plays. Without a session bus nothing is registered and
// the program carries on as before.
class MprisService : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *OBJECT_PATH = "/org/mpris/MediaPlayer2";

    MprisService(platform::MediaPlayerControl &player, QTimer &positionTimer, QObject *parent);
    ~MprisService() override;

    bool isRegistered() const { return m_registered; }
    QString serviceName() const { return m_serviceName; }

    // What the adaptors answer and do.
    QString playbackStatus() const;
    QVariantMap metadata() const;
    qlonglong positionMicroseconds() const;
    void play();
    void pause();
    void playPause();
    void stop();
    void raise();

private:
    void scheduleAnnounce();
    void announceChanges();

    platform::MediaPlayerControl &m_player;
    QTimer &m_positionTimer;
    QString m_connectionName;
    QString m_serviceName;
    bool m_registered = false;
    int m_trackNumber = 0;
    bool m_trackOpen = false;
    QString m_trackFile;
    QString m_announcedStatus;
    int m_announcedTrack = 0;
    int m_announcedLength = 0;
    QTimer m_announceTimer;
};

// org.mpris.MediaPlayer2: who we are.
class MprisRootAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)
public:
    explicit MprisRootAdaptor(MprisService *service);

    bool canQuit() const { return false; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Sonavex"); }
    QString desktopEntry() const { return QStringLiteral("sonavex"); }
    QStringList supportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList supportedMimeTypes() const { return {QStringLiteral("audio/mpeg")}; }

public Q_SLOTS:
    void Raise();
    void Quit();

private:
    MprisService *m_service;
};

// org.mpris.MediaPlayer2.Player: the transport and what plays.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(double Volume READ volume)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ no)
    Q_PROPERTY(bool CanGoPrevious READ no)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ no)
    Q_PROPERTY(bool CanControl READ yes)
public:
    explicit MprisPlayerAdaptor(MprisService *service);

    QString playbackStatus() const { return m_service->playbackStatus(); }
    double rate() const { return 1.0; }
    double volume() const { return 1.0; }
    QVariantMap metadata() const { return m_service->metadata(); }
    qlonglong position() const { return m_service->positionMicroseconds(); }
    bool yes() const { return true; }
    bool no() const { return false; }

public Q_SLOTS:
    void Play() { m_service->play(); }
    void Pause() { m_service->pause(); }
    void PlayPause() { m_service->playPause(); }
    void Stop() { m_service->stop(); }
    // One track at a time, and no seeking from outside: these are accepted and do nothing.
    void Next() {}
    void Previous() {}
    void Seek(qlonglong offset) { Q_UNUSED(offset); }
    void SetPosition(const QDBusObjectPath &trackId, qlonglong position)
    {
        Q_UNUSED(trackId);
        Q_UNUSED(position);
    }
    void OpenUri(const QString &uri) { Q_UNUSED(uri); }

Q_SIGNALS:
    void Seeked(qlonglong position);

private:
    MprisService *m_service;
};

} // namespace media
