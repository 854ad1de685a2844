#include "ui/mainWindow.h"

#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "downloads/chooser.h"
#include "downloads/downloadQueue.h"
#include "downloads/outsideLinks.h"
#include "downloads/transfer.h"
#include "media/artistPictures.h"
#include "platform/messageBox.h"
#include "platform/shellOpen.h"
#include "ui/currentDownloadPanel.h"
#include "ui/resultsPanel.h"
#include "ui/searchOptionsPanel.h"
#include "ui/shopPanel.h"
#include "ui/trackChooser.h"
#include "webservice/search.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

namespace ui {

// Download queue, progress and cancel handlers are connected here, with the results-grid click
// that opens the track action chooser.
void MainWindow::setupDownloadHandlers()
{
    connect(resultsPanel->resultsGrid, &QTableWidget::cellClicked, this, &MainWindow::chooseTrackAction);
    connect(currentDownloadPanel->queuePumpTimer, &QTimer::timeout, this, &MainWindow::pumpDownloadQueue);
    connect(currentDownloadPanel->progressTimer, &QTimer::timeout, this, &MainWindow::showDownloadProgress);
    connect(currentDownloadPanel->cancelButton, &QPushButton::clicked, this, &MainWindow::cancelDownload);
}

handleDownloads::DownloadPanel MainWindow::downloadControls() const
{
    handleDownloads::DownloadPanel panel;
    panel.currentDownload = currentDownloadPanel->currentDownloadField;
    panel.queueList = currentDownloadPanel->downloadQueueList;
    panel.progressBar = currentDownloadPanel->downloadProgress;
    panel.rateText = currentDownloadPanel->rateField;
    panel.kilobytesText = currentDownloadPanel->receivedField;
    panel.progressTimer = currentDownloadPanel->progressTimer;
    panel.socket = downloadSocket;
    panel.slot = httpGlobals::downloadSlot;
    return panel;
}

void MainWindow::chooseTrackAction(int row, int column)
{
    Q_UNUSED(column)
    // Row 0 is the heading and the row after the last result is empty: no track there.
    if (row < 1 || row > appGlobals::searchResultCount)
        return;
    const auto &result = appGlobals::searchResults[row];
    const QString artist = result[appGlobals::RESULT_ARTIST];
    const QString track = result[appGlobals::RESULT_TRACK];
    const QString source = result[appGlobals::RESULT_SOURCE];

    handleDownloads::prepareChoices(*m_chooser, artist, track, *m_chooser->artistPicture,
                                    *playerPictureSocket, httpGlobals::playerImageSlot,
                                    &localMedia::showArtistPicture);
    m_chooser->show();
    m_chooser->raise();
    m_chooser->activateWindow();
    // A click on another row meanwhile waits in here again; its choice leaves "done" behind, so
    // this click then does nothing.
    handleDownloads::waitForChoice();

    QString &action = appGlobals::chosenAction;
    if (action == QLatin1String("download")) {
        handleDownloads::enqueueDownload(artist, track, source, *currentDownloadPanel->downloadQueueList);
        action = QStringLiteral("done");
    }
    if (action == QLatin1String("artist")) {
        if (artist.size() < 3) {
            platform::messageBox(QStringLiteral("Please search for at least 3 letters"));
        } else {
            searchOptionsPanel->searchField->setText(artist);
            searchTracks(QStringLiteral("Artist"), artist);
        }
        action = QStringLiteral("done");
    }
    if (action == QLatin1String("source")) {
        platform::shellOpen(webService::sourceHomePage(source));
        action = QStringLiteral("done");
    }
    if (action == QLatin1String("google")) {
        platform::shellOpen(webService::webSearchAddress(artist));
        action = QStringLiteral("done");
    }
    if (action == QLatin1String("forget"))
        action = QStringLiteral("done");
}

void MainWindow::pumpDownloadQueue()
{
    handleDownloads::pumpDownloadQueue(downloadControls());
}

void MainWindow::showDownloadProgress()
{
    handleDownloads::showTransferProgress(downloadControls(), m_lastBytes);
}

void MainWindow::cancelDownload()
{
    handleDownloads::cancelDownload(downloadControls());
}

} // namespace ui
