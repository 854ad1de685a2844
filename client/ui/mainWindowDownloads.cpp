#include "ui/mainWindow.h"

#include "core/settings.h"
#include "downloads/chooser.h"
#include "downloads/downloadQueue.h"
#include "downloads/outsideLinks.h"
#include "downloads/transfer.h"
#include "media/artistPictures.h"
#include "platform/messageBox.h"
#include "ui/currentDownloadPanel.h"
#include "ui/resultsPanel.h"
#include "ui/searchOptionsPanel.h"
#include "ui/shopPanel.h"
#include "ui/trackChooser.h"
#include "webservice/search.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>

namespace ui {

// Download queue, progress and cancel handlers are connected here, with the results-grid click
// that opens the track action chooser.
void MainWindow::setupDownloadHandlers()
{
    m_downloadPump = new downloads::DownloadPump(downloadControls(), this);
    connect(resultsPanel->resultsGrid, &QTableWidget::cellClicked, this, &MainWindow::chooseTrackAction);
    connect(currentDownloadPanel->queuePumpTimer, &QTimer::timeout, this, &MainWindow::pumpDownloadQueue);
    connect(currentDownloadPanel->progressTimer, &QTimer::timeout, this, &MainWindow::showDownloadProgress);
    connect(currentDownloadPanel->cancelButton, &QPushButton::clicked, this, &MainWindow::cancelDownload);
}

downloads::DownloadPanel MainWindow::downloadControls()
{
    downloads::DownloadPanel panel;
    panel.queue = &downloadQueue;
    panel.currentDownload = currentDownloadPanel->currentDownloadField;
    panel.queueList = currentDownloadPanel->downloadQueueList;
    panel.progressBar = currentDownloadPanel->downloadProgress;
    panel.rateText = currentDownloadPanel->rateField;
    panel.kilobytesText = currentDownloadPanel->receivedField;
    panel.progressTimer = currentDownloadPanel->progressTimer;
    panel.socket = downloadSocket;
    panel.slot = http::Slot::Download;
    return panel;
}

QCoro::Task<> MainWindow::chooseTrackAction(int row, int column)
{
    Q_UNUSED(column)
    // Row 0 is the heading and the row after the last result is empty: no track there.
    if (row < 1 || row > searchResults.count())
        co_return;
    const webservice::SearchResult result = searchResults.at(row - 1);
    const QString artist = result.artist;
    const QString track = result.track;
    const QString source = result.source;

    // A click on another row meanwhile, even while this one's picture loads, re-prepares the
    // chooser: the choice is then that row's only.
    const int request = ++m_chooserRequests;
    const QPointer<MainWindow> window(this);
    downloads::prepareChoices(m_chooser->choiceButtons(), artist, track, *m_chooser->artistPicture,
                              *playerPictureSocket, http::Slot::PlayerPicture, &media::showArtistPicture);
    if (!window || request != m_chooserRequests)
        co_return;
    const QString action = co_await m_chooser->choice();
    if (!window || request != m_chooserRequests)
        co_return;

    // Carried out at once, even while the pump runs.
    if (action == QLatin1String("download")) {
        downloads::enqueueDownload(downloadQueue, {artist, track, source},
                                   *currentDownloadPanel->downloadQueueList);
    } else if (action == QLatin1String("artist")) {
        if (artist.size() < 3) {
            platform::messageBox(QStringLiteral("Please search for at least 3 letters"));
        } else {
            searchOptionsPanel->searchField->setText(artist);
            searchTracks(QStringLiteral("Artist"), artist);
        }
    } else if (action == QLatin1String("source")) {
        downloads::openOutsideAddress(downloads::sourceHomePage(source));
    } else if (action == QLatin1String("google")) {
        downloads::openOutsideAddress(downloads::webSearchAddress(artist));
    }
}

void MainWindow::pumpDownloadQueue()
{
    m_downloadPump->wake();
}

void MainWindow::showDownloadProgress()
{
    downloads::showTransferProgress(downloadControls(), m_lastBytes);
}

void MainWindow::cancelDownload()
{
    m_downloadPump->cancel();
}

} // namespace ui
