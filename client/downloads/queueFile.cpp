#include "downloads/queueFile.h"

#include "platform/messageBox.h"
#include "platform/shutdown.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

namespace downloads {

namespace {
constexpr int VERSION = 1;
// 99 entries of a few hundred bytes each; anything much larger is not ours.
constexpr qint64 MAX_FILE_BYTES = 1024 * 1024;
const QString FIELDS[] = {QStringLiteral("artist"), QStringLiteral("track"), QStringLiteral("source")};
} // namespace

namespace queueFile {

QString path()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/downloadQueue.json");
}

std::optional<QList<QueuedTrack>> read(const QString &path)
{
    if (!QFileInfo::exists(path))
        return QList<QueuedTrack>();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MAX_FILE_BYTES)
        return std::nullopt;
    QJsonParseError error;
    const QJsonObject top = QJsonDocument::fromJson(file.readAll(), &error).object();
    const QJsonValue tracks = top.value(QStringLiteral("tracks"));
    if (error.error != QJsonParseError::NoError || top.value(QStringLiteral("version")).toInt() != VERSION ||
        !tracks.isArray())
        return std::nullopt;
    QList<QueuedTrack> queued;
    for (const QJsonValue &entry : tracks.toArray()) {
        QString values[3];
        for (int i = 0; i < 3; ++i) {
            const QJsonValue value = entry.toObject().value(FIELDS[i]);
            if (!value.isString())
                return std::nullopt;
            values[i] = value.toString();
        }
        queued.append({values[0], values[1], values[2]});
    }
    return queued;
}

bool write(const QString &path, const QList<QueuedTrack> &tracks)
{
    QJsonArray entries;
    for (const QueuedTrack &track : tracks)
        entries.append(
            QJsonObject{{FIELDS[0], track.artist}, {FIELDS[1], track.track}, {FIELDS[2], track.source}});
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(QJsonDocument(QJsonObject{{QStringLiteral("version"), VERSION},
                                                {QStringLiteral("tracks"), entries}})
                          .toJson()) >= 0 &&
           file.commit();
}

QString setAside(const QString &path)
{
    // Never over an earlier one: that may be the only copy of an older queue.
    const QString stem = path + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString aside = stem;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = stem + QLatin1Char('-') + QString::number(n);
    return QFile::rename(path, aside) ? aside : QString();
}

} // namespace queueFile

void DownloadQueue::keepIn(const QString &path)
{
    m_filePath = path;
    save();
}

void DownloadQueue::save() const
{
    if (m_filePath.isEmpty())
        return;
    QList<QueuedTrack> tracks = m_tracks;
    if (m_running)
        tracks.prepend(*m_running);
    // The queue goes on in memory; the file keeps its last good state.
    if (!queueFile::write(m_filePath, tracks))
        qWarning("The download queue could not be saved to %s", qPrintable(m_filePath));
}

void DownloadQueue::endStep()
{
    // A program that is closing keeps its running track at the head of the file for the next run.
    if (platform::shutdownRequested())
        return;
    m_running.reset();
    save();
}

void restoreDownloadQueue(DownloadQueue &queue, QListWidget &list)
{
    if (queue.isKept())
        return;
    const QString path = queueFile::path();
    const std::optional<QList<QueuedTrack>> saved = queueFile::read(path);
    if (saved) {
        for (const QueuedTrack &track : *saved)
            enqueueDownload(queue, track, list);
    } else {
        const QString aside = queueFile::setAside(path);
        platform::messageBox(QStringLiteral("The saved download queue could not be read") +
                             (aside.isEmpty() ? QStringLiteral(": ") + path
                                              : QStringLiteral(". It was set aside as ") + aside));
    }
    queue.keepIn(path);
}

} // namespace downloads
