// One track through the download pump and the transfer, with the progress timer refreshing the
// bar and the texts once a second as in the window. Prints "<seconds> <bytes>" for the track, from
// the pump's start to the current-download text emptied at its end.
#include "core/settings.h"
#include "core/startup.h"
#include "downloads/downloadQueue.h"
#include "downloads/transfer.h"
#include "http/httpAgent.h"
#include "platform/socketControl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: downloadRate FILE_URL\n");
        return 2;
    }
    if (!core::startUp())
        return 1;

    QWidget panelWidget;
    auto *current = new QLineEdit(&panelWidget);
    auto *queueList = new QListWidget(&panelWidget);
    auto *bar = new QProgressBar(&panelWidget);
    auto *rate = new QLineEdit(&panelWidget);
    auto *kilobytes = new QLineEdit(&panelWidget);
    auto *progressTimer = new QTimer(&panelWidget);
    auto *socket = new platform::SocketControl(&panelWidget);
    http::attachSocket(*socket, http::Slot::Download);
    progressTimer->setInterval(1000);

    downloads::DownloadQueue queue;
    const downloads::DownloadPanel panel{&queue,        current, queueList,           bar, rate, kilobytes,
                                         progressTimer, socket,  http::Slot::Download};
    qint64 lastBytes = 0;
    QObject::connect(progressTimer, &QTimer::timeout, &panelWidget,
                     [&] { downloads::showTransferProgress(panel, lastBytes); });

    const QString artist = QStringLiteral("Bench");
    const QString track =
        QFileInfo(args.at(1)).completeBaseName() + QString::number(QApplication::applicationPid());
    const QString finalFile = downloads::trackFileStem(artist, track) + QStringLiteral(".mp3");
    auto *pump = new downloads::DownloadPump(panel, &panelWidget);
    downloads::enqueueDownload(queue, {artist, track, args.at(1)}, *queueList);
    QElapsedTimer clock;
    double seconds = 0;
    // The pump empties the text once the track has ended; it set it when it started.
    QObject::connect(current, &QLineEdit::textChanged, &panelWidget, [&](const QString &text) {
        if (text.isEmpty()) {
            seconds = double(clock.nsecsElapsed()) / 1e9;
            app.quit();
        }
    });
    clock.start();
    pump->wake();
    app.exec();

    const qint64 bytes = QFileInfo(finalFile).size();
    QFile::remove(finalFile);
    std::printf("%.6f %lld\n", seconds, static_cast<long long>(bytes));
    return bytes > 0 ? 0 : 1;
}
