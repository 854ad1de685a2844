#include "ui/similarArtistsPanel.h"

#include "platform/imageList.h"
#include "ui/layout.h"
#include "ui/pictures.h"

#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ui {

SimilarArtistsPanel::SimilarArtistsPanel(QWidget *parent) : QWidget(parent)
{
    similarArtistsCaption =
        named(new QLabel(QStringLiteral("Similar Artists : None so far"), this), "similarArtistsCaption");
    similarArtistsTree = named(new QTreeWidget(this), "similarArtistsTree");
    relevanceIcons = named(new platform::ImageList(this), "relevanceIcons");

    QFont headingFont = similarArtistsCaption->font();
    headingFont.setBold(true);
    similarArtistsCaption->setFont(headingFont);
    similarArtistsCaption->setBuddy(similarArtistsTree);
    similarArtistsTree->setHeaderHidden(true);
    similarArtistsTree->setRootIsDecorated(false);
    similarArtistsTree->setIconSize(QSize(15, 15));
    similarArtistsTree->setAccessibleName(QStringLiteral("Similar artists"));

    relevanceIcons->setPictureSize(QSize(15, 15));
    for (int level = 0; level < RELEVANCE_LEVELS; ++level)
        relevanceIcons->add(relevanceKey(level), relevanceIcon(level));

    // Hidden, the caption keeps its place: the tree never moves.
    QSizePolicy captionPolicy = similarArtistsCaption->sizePolicy();
    captionPolicy.setRetainSizeWhenHidden(true);
    similarArtistsCaption->setSizePolicy(captionPolicy);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(similarArtistsCaption);
    layout->addWidget(similarArtistsTree, 1);
}

void SimilarArtistsPanel::showCaption(bool shown)
{
    similarArtistsCaption->setVisible(shown);
}

} // namespace ui
