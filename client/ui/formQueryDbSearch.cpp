#include "ui/formQueryDb.h"

#include "core/settings.h"
#include "media/artistPictures.h"
#include "platform/messageBox.h"
#include "platform/shellOpen.h"
#include "ui/formHandleDownload.h"
#include "webservice/radio.h"
#include "webservice/search.h"
#include "webservice/similarArtists.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>
#include <QTreeWidgetItem>

// Search, similar artists and radio handlers are connected here.
void formQueryDb::setupSearchHandlers()
{
    connect(Command5, &QPushButton::clicked, this, &formQueryDb::on_Command5_clicked);
    connect(Text1, &QLineEdit::returnPressed, this, &formQueryDb::on_Text1_returnPressed);
    connect(Command4, &QPushButton::clicked, this, &formQueryDb::on_Command4_clicked);
    connect(TreeView1, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *node, int) { on_TreeView1_nodeClicked(node); });
    connect(TreeView2, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *node, int) { on_TreeView2_nodeClicked(node); });
    connect(List3, &QListWidget::itemClicked, this, [this](QListWidgetItem *) { on_List3_clicked(); });
}

void formQueryDb::on_Command5_clicked()
{
    startSearch();
}

void formQueryDb::on_Text1_returnPressed()
{
    startSearch();
}

void formQueryDb::startSearch()
{
    const QString text = Text1->text();
    if (text.size() < 3) {
        platform::messageBox(QStringLiteral("Please search for at least 3 letters"));
        return;
    }
    const QString searchType = TabStrip1->tabText(TabStrip1->currentIndex());
    webservice::searchTracks(searchType, text, *Combo1, *Text2, *Frame2, *Winsock1, *MSFlexGrid1,
                             *WebBrowser1, http::Slot::Service, {genreNames, searchResults, shopSuggestions});
    // The box may have changed while the search waited; the picture is for what it shows now.
    showSearchPicture(Text1->text());
}

void formQueryDb::on_Command4_clicked()
{
    webservice::findSimilarArtists(Text1->text(), *Text2, *Winsock5, similarArtists, *TreeView2, *ImageList2,
                                   *Label5, radioStations, *List3,
                                   [this](const QString &artist) { showSearchPicture(artist); });
}

void formQueryDb::on_TreeView1_nodeClicked(QTreeWidgetItem *node)
{
    if (!node)
        return;
    on_Command6_clicked();
    searchArtistFromTree(*node);
}

void formQueryDb::on_TreeView2_nodeClicked(QTreeWidgetItem *node)
{
    if (node)
        searchArtistFromTree(*node);
}

void formQueryDb::searchArtistFromTree(const QTreeWidgetItem &node)
{
    // Nodes are top-level only, so the text is the node's whole path. No minimum length here.
    const QString name = node.text(0).trimmed();
    Text1->setText(name);
    webservice::searchTracks(QStringLiteral("Artist"), name, *Combo1, *Text2, *Frame2, *Winsock1,
                             *MSFlexGrid1, *WebBrowser1, http::Slot::Service,
                             {genreNames, searchResults, shopSuggestions});
    showSearchPicture(name);
}

void formQueryDb::on_List3_clicked()
{
    // No line, or a line without a stored address: nothing to open.
    const QString address = radioStations.address(List3->currentRow());
    if (!address.isEmpty())
        platform::shellOpen(address);
}

void formQueryDb::showSearchPicture(const QString &artist)
{
    media::showArtistPicture(artist, *Picture2, *chooser()->Winsock1, http::Slot::ChooserPicture);
}
