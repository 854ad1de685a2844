#include "ui/mainWindow.h"

#include "core/settings.h"
#include "downloads/outsideLinks.h"
#include "media/artistPictures.h"
#include "platform/messageBox.h"
#include "ui/radioPanel.h"
#include "ui/recommendationsPanel.h"
#include "ui/resultsPanel.h"
#include "ui/searchOptionsPanel.h"
#include "ui/shopPanel.h"
#include "ui/similarArtistsPanel.h"
#include "ui/trackChooser.h"
#include "webservice/radio.h"
#include "webservice/search.h"
#include "webservice/similarArtists.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>
#include <QTreeWidgetItem>

namespace ui {

// Search, similar artists and radio handlers are connected here.
void MainWindow::setupSearchHandlers()
{
    connect(searchOptionsPanel->searchButton, &QPushButton::clicked, this, &MainWindow::startSearch);
    connect(searchOptionsPanel->searchField, &QLineEdit::returnPressed, this, &MainWindow::startSearch);
    connect(searchOptionsPanel->similarArtistsButton, &QPushButton::clicked, this,
            &MainWindow::findSimilarArtists);
    connect(recommendationsPanel->recommendedArtistsTree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *node, int) { searchRecommendedArtist(node); });
    connect(similarArtistsPanel->similarArtistsTree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *node, int) { searchSimilarArtist(node); });
    connect(radioPanel->radioList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *) { openRadioStation(); });
}

void MainWindow::startSearch()
{
    const QString text = searchOptionsPanel->searchField->text();
    if (text.size() < 3) {
        platform::messageBox(QStringLiteral("Please search for at least 3 letters"));
        return;
    }
    const QTabBar &kinds = *searchOptionsPanel->searchKindTabs;
    // The box may change while the search waits; the picture is for what it shows then.
    searchTracks(kinds.tabText(kinds.currentIndex()), text,
                 [this] { return searchOptionsPanel->searchField->text(); });
}

QCoro::Task<> MainWindow::searchTracks(QString searchType, QString text, std::function<QString()> pictureOf)
{
    const QPointer<MainWindow> window(this);
    const bool ended = co_await webservice::searchTracks(
        searchType, text, *searchOptionsPanel->genreBox, *searchOptionsPanel->queryAddressField,
        *resultsPanel, *serviceSocket, *resultsPanel->resultsGrid, *shopPanel->shopBrowser,
        http::Slot::Service, {genreNames, searchResults, shopSuggestions});
    // Taken over by a newer search, or the window closed: that one says everything.
    if (!window || !ended)
        co_return;
    endUnansweredSearch();
    if (pictureOf)
        showSearchPicture(pictureOf());
    Q_EMIT searchFinished();
}

void MainWindow::findSimilarArtists()
{
    webservice::findSimilarArtists(
        searchOptionsPanel->searchField->text(), *searchOptionsPanel->queryAddressField,
        *similarArtistsSocket, similarArtists, *similarArtistsPanel->similarArtistsTree,
        *similarArtistsPanel->relevanceIcons, *similarArtistsPanel->similarArtistsCaption, radioStations,
        *radioPanel->radioList, [this](const QString &artist) { showSearchPicture(artist); });
}

void MainWindow::searchRecommendedArtist(QTreeWidgetItem *node)
{
    if (!node)
        return;
    backToSearch();
    searchArtistFromTree(*node);
}

void MainWindow::searchSimilarArtist(QTreeWidgetItem *node)
{
    if (node)
        searchArtistFromTree(*node);
}

void MainWindow::searchArtistFromTree(const QTreeWidgetItem &node)
{
    // Nodes are top-level only, so the text is the node's whole path. No minimum length here.
    const QString name = node.text(0).trimmed();
    searchOptionsPanel->searchField->setText(name);
    searchTracks(QStringLiteral("Artist"), name, [name] { return name; });
}

void MainWindow::openRadioStation()
{
    // No line, or a line without a stored address: nothing to open.
    const QString address = radioStations.address(radioPanel->radioList->currentRow());
    if (!address.isEmpty())
        downloads::openOutsideAddress(address);
}

void MainWindow::showSearchPicture(const QString &artist)
{
    media::showArtistPicture(artist, *searchOptionsPanel->searchArtistPicture, *chooser()->pictureSocket,
                             http::Slot::ChooserPicture);
}

} // namespace ui
