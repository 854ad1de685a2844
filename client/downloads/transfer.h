#pragma once

#include "http/httpAgent.h"
#include "platform/socketControl.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtGlobal>

class QLineEdit;
class QListWidget;
class QProgressBar;
class QTimer;

namespace downloads {

class DownloadQueue;

// The main window's "Current Download" controls, as the pump, the progress timer and cancel use them.
struct DownloadPanel
{
    DownloadQueue *queue = nullptr;
    QLineEdit *currentDownload = nullptr; // empty while no download runs
    QListWidget *queueList = nullptr;
    QProgressBar *progressBar = nullptr;
    QLineEdit *rateText = nullptr;      // KB/s
    QLineEdit *kilobytesText = nullptr; // KB
    QTimer *progressTimer = nullptr;
    platform::SocketControl *socket = nullptr;
    http::Slot slot = http::Slot::Download;
};

// One track's download as the pump hands it to a resolver and the transfer: the connection it
// uses, and whether it has been stopped. A cancel ends the running request and keeps any later
// one of the track from starting, so nothing more of it is fetched and nothing of it is kept.
class TrackJob : public QObject
{
    Q_OBJECT
public:
    TrackJob(platform::SocketControl &socket, http::Slot slot) : m_socket(&socket), m_slot(slot) {}

    platform::SocketControl *socket() const { return m_socket; }
    http::Slot slot() const { return m_slot; }
    // Cancelled by the user, taken over by a newer request, or the window has gone.
    bool stopped() const { return m_stopped || !m_socket; }
    void stop() { m_stopped = true; }
    // A cancel also removes this file: a broken body's bytes waiting for their resume.
    void keepUntilCancel(const QString &file) { m_keptFile = file; }
    void cancel();

Q_SIGNALS:
    void cancelled();
    // What the current-download field shows instead of the track while a retry waits; empty: the track.
    void notice(const QString &text);

private:
    QPointer<platform::SocketControl> m_socket;
    http::Slot m_slot;
    bool m_stopped = false;
    QString m_keptFile;
};

// Fetches for the track unless it has been stopped. A failure that may pass (no connection, a
// reset, a time-out, a body cut short, a 5xx) is tried again up to 3 times in a row after pauses of
// about 2, 4 and 8 s, which a cancel ends; a try that added bytes starts the count afresh. Only the
// last outcome is returned. A resumable fetch keeps a
// broken body's bytes and asks for the rest when the server named a validator (a resumed whole
// body is reported as 200). An outcome that comes after a cancel, or that a cancel or a newer
// request ended, is Cancelled and leaves no file.
QCoro::Task<http::Outcome> fetchForTrack(TrackJob &job, QString url, QString referer, QString targetFile,
                                         bool resumable = false);

// The first pause before a retry, in milliseconds (default 2000; each next one doubles); tests shorten it.
void setFirstRetryPause(int ms);

QString socketErrorMessage();
// Tells the user why a request of the track brought no complete 200 answer.
void reportFailedFetch(const http::Outcome &outcome);
QString alreadyDownloadedMessage();
QString transferErrorText();

// Replaces / \ ? * : | > by "-"; nothing else is touched.
QString fileNameSafe(const QString &text);

// "<mp3Folder><artist> - <title>" with ".tmp" or ".mp3" appended.
QString trackFileStem(const QString &artist, const QString &track);

// Fetches one MP3 into the music folder under "<artist> - <title>.mp3" by way of a ".tmp" file.
// Blanks in the file address go out as "%20". An empty referer stands for
// "http://<host>/index.html". Reports failures itself; a stopped transfer ends silently.
QCoro::Task<> transferTrackFile(QString artist, QString track, QString fileAddress, TrackJob &job,
                                QString referer);

// Thousands of bytes with a point and at most three decimals, no leading zero:
// 12345 -> "12.345", 12000 -> "12", 500 -> ".5".
QString thousandsText(qint64 bytes);

// One tick of the progress display for the panel's slot; lastBytes is the counter seen at the
// previous tick.
void showTransferProgress(const DownloadPanel &panel, qint64 &lastBytes);

} // namespace downloads
