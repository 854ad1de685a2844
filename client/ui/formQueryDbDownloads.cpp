#include "ui/formQueryDb.h"

#include "core/settings.h"
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
#include <QRadioButton>
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

downloads::DownloadPanel formQueryDb::downloadPanel()
{
    downloads::DownloadPanel panel;
    panel.queue = &downloadQueue;
    panel.currentDownload = Text3;
    panel.queueList = List2;
    panel.progressBar = ProgressBar1;
    panel.rateText = Text4;
    panel.kilobytesText = Text5;
    panel.progressTimer = Timer1;
    panel.socket = Winsock2;
    panel.slot = http::Slot::Download;
    return panel;
}

void formQueryDb::on_MSFlexGrid1_cellClicked(int row, int column)
{
    Q_UNUSED(column)
    // Row 0 is the heading and the row after the last result is empty: no track there.
    if (row < 1 || row > searchResults.count())
        return;
    const webservice::SearchResult result = searchResults.at(row - 1);
    const QString artist = result.artist;
    const QString track = result.track;
    const QString source = result.source;

    downloads::prepareChoices(
        {m_chooser->Option1, m_chooser->Option2, m_chooser->Option3, m_chooser->Option4, m_chooser->Option5},
        artist, track, *m_chooser->Picture1, *Winsock3, http::Slot::PlayerPicture, &media::showArtistPicture);
    m_chooser->show();
    m_chooser->raise();
    m_chooser->activateWindow();
    // A click on another row meanwhile waits in here again; its choice leaves "done" behind, so
    // this click then does nothing.
    downloads::waitForChoice(m_chooser->chosenAction);

    QString &action = m_chooser->chosenAction;
    if (action == QLatin1String("download")) {
        downloads::enqueueDownload(downloadQueue, {artist, track, source}, *List2);
        action = QStringLiteral("done");
    }
    if (action == QLatin1String("artist")) {
        if (artist.size() < 3) {
            platform::messageBox(QStringLiteral("Please search for at least 3 letters"));
        } else {
            Text1->setText(artist);
            webservice::searchTracks(QStringLiteral("Artist"), artist, *Combo1, *Text2, *Frame2, *Winsock1,
                                     *MSFlexGrid1, *WebBrowser1, http::Slot::Service,
                                     {genreNames, searchResults, shopSuggestions});
        }
        action = QStringLiteral("done");
    }
    if (action == QLatin1String("source")) {
        platform::shellOpen(downloads::sourceHomePage(source));
        action = QStringLiteral("done");
    }
    if (action == QLatin1String("google")) {
        platform::shellOpen(downloads::webSearchAddress(artist));
        action = QStringLiteral("done");
    }
    if (action == QLatin1String("forget"))
        action = QStringLiteral("done");
}

void formQueryDb::on_Timer3_timeout()
{
    downloads::pumpDownloadQueue(downloadPanel());
}

void formQueryDb::on_Timer1_timeout()
{
    downloads::showTransferProgress(downloadPanel(), m_lastBytes);
}

void formQueryDb::on_Command2_clicked()
{
    downloads::cancelDownload(downloadPanel());
}
