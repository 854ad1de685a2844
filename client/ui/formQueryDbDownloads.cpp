#include "ui/formQueryDb.h"

#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "downloads/chooser.h"
#include "downloads/downloadQueue.h"
#include "downloads/outsideLinks.h"
#include "downloads/transfer.h"
#include "media/artistPictures.h"
#include "platform/messageBox.h"
#include "platform/shellOpen.h"
#include "ui/formHandleDownload.h"
#include "ui/formHandleDownloadChoice.h"
#include "webservice/search.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

// Download queue, progress and cancel handlers are connected here, with the results-grid click
// that opens the track action chooser.
void formQueryDb::setupDownloadHandlers()
{
    setupChoiceHandlers(*m_chooser);
    connect(MSFlexGrid1, &QTableWidget::cellClicked, this, &formQueryDb::on_MSFlexGrid1_cellClicked);
    connect(Timer3, &QTimer::timeout, this, &formQueryDb::on_Timer3_timeout);
    connect(Timer1, &QTimer::timeout, this, &formQueryDb::on_Timer1_timeout);
    connect(Command2, &QPushButton::clicked, this, &formQueryDb::on_Command2_clicked);
}

handleDownloads::DownloadPanel formQueryDb::downloadPanel() const
{
    handleDownloads::DownloadPanel panel;
    panel.currentDownload = Text3;
    panel.queueList = List2;
    panel.progressBar = ProgressBar1;
    panel.rateText = Text4;
    panel.kilobytesText = Text5;
    panel.progressTimer = Timer1;
    panel.socket = Winsock2;
    panel.slot = httpGlobals::downloadSlot;
    return panel;
}

void formQueryDb::on_MSFlexGrid1_cellClicked(int row, int column)
{
    Q_UNUSED(column)
    // Row 0 is the heading and the row after the last result is empty: no track there.
    if (row < 1 || row > appGlobals::searchResultCount)
        return;
    const auto &result = appGlobals::searchResults[row];
    const QString artist = result[appGlobals::RESULT_ARTIST];
    const QString track = result[appGlobals::RESULT_TRACK];
    const QString source = result[appGlobals::RESULT_SOURCE];

    handleDownloads::prepareChoices(*m_chooser, artist, track, *m_chooser->Picture1, *Winsock3,
                                    httpGlobals::playerImageSlot, &localMedia::showArtistPicture);
    m_chooser->show();
    m_chooser->raise();
    m_chooser->activateWindow();
    // A click on another row meanwhile waits in here again; its choice leaves "done" behind, so
    // this click then does nothing.
    handleDownloads::waitForChoice();

    QString &action = appGlobals::chosenAction;
    if (action == QLatin1String("download")) {
        handleDownloads::enqueueDownload(artist, track, source, *List2);
        action = QStringLiteral("done");
    }
    if (action == QLatin1String("artist")) {
        if (artist.size() < 3) {
            platform::messageBox(QStringLiteral("Please search for at least 3 letters"));
        } else {
            Text1->setText(artist);
            webService::searchTracks(QStringLiteral("Artist"), artist, *Combo1, *Text2, *Frame2, *Winsock1,
                                     *MSFlexGrid1, *WebBrowser1, httpGlobals::webServiceSlot);
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

void formQueryDb::on_Timer3_timeout()
{
    handleDownloads::pumpDownloadQueue(downloadPanel());
}

void formQueryDb::on_Timer1_timeout()
{
    handleDownloads::showTransferProgress(downloadPanel(), m_lastBytes);
}

void formQueryDb::on_Command2_clicked()
{
    handleDownloads::cancelDownload(downloadPanel());
}
