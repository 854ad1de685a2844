#pragma once

#include "http/httpAgent.h"

#include <QString>
#include <QtGlobal>

class QLineEdit;
class QListWidget;
class QProgressBar;
class QTimer;

namespace platform {
class SocketControl;
}

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

QString socketErrorMessage();
QString alreadyDownloadedMessage();
QString transferErrorText();

// Replaces / \ ? * : | > by "-"; nothing else is touched.
QString fileNameSafe(const QString &text);

// "<mp3Folder><artist> - <title>" with ".tmp" or ".mp3" appended.
QString trackFileStem(const QString &artist, const QString &track);

// Fetches one MP3 into the music folder under "<artist> - <title>.mp3" by way of a ".tmp" file.
// The file address has its blanks replaced by "%20" in place. An empty referer stands for
// "http://<host>/index.html". Reports failures itself; a cancelled transfer ends silently.
void transferTrackFile(const QString &artist, const QString &track, QString &fileAddress,
                       platform::SocketControl &socket, http::Slot slot, const QString &referer);

// Thousands of bytes with a point and at most three decimals, no leading zero:
// 12345 -> "12.345", 12000 -> "12", 500 -> ".5".
QString thousandsText(qint64 bytes);

// One tick of the progress display for the panel's slot; lastBytes is the counter seen at the
// previous tick.
void showTransferProgress(const DownloadPanel &panel, qint64 &lastBytes);

// Ends the running request on the panel's slot and empties the current-download text.
void cancelDownload(const DownloadPanel &panel);

} // namespace downloads
