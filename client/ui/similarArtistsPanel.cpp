#include "ui/similarArtistsPanel.h"

#include "platform/imageList.h"
#include "ui/layout.h"
#include "ui/pictures.h"

#include <QLabel>
#include <QTreeWidget>

namespace ui {

namespace {
constexpr int CAPTION_HEIGHT = 22;
constexpr int TREE_TOP = CAPTION_HEIGHT + 4;
constexpr int TREE_HEIGHT = SIMILAR_HEIGHT - TREE_TOP;
} // namespace

SimilarArtistsPanel::SimilarArtistsPanel(QWidget *parent) : QWidget(parent)
{
    similarArtistsCaption =
        named(new QLabel(QStringLiteral("Similar Artists : None so far"), this), "similarArtistsCaption");
    similarArtistsTree = named(new QTreeWidget(this), "similarArtistsTree");
    relevanceIcons = named(new platform::ImageList(this), "relevanceIcons");

    setGeometry(RIGHT_X, SIMILAR_CAPTION_TOP, RIGHT_WIDTH, SIMILAR_HEIGHT);
    similarArtistsCaption->setGeometry(0, 0, RIGHT_WIDTH, CAPTION_HEIGHT);
    QFont headingFont = similarArtistsCaption->font();
    headingFont.setBold(true);
    similarArtistsCaption->setFont(headingFont);
    similarArtistsCaption->setBuddy(similarArtistsTree);
    similarArtistsTree->setGeometry(0, TREE_TOP, RIGHT_WIDTH, TREE_HEIGHT);
    similarArtistsTree->setHeaderHidden(true);
    similarArtistsTree->setRootIsDecorated(false);
    similarArtistsTree->setIconSize(QSize(15, 15));
    similarArtistsTree->setAccessibleName(QStringLiteral("Similar artists"));

    relevanceIcons->setPictureSize(QSize(15, 15));
    for (int level = 0; level < RELEVANCE_LEVELS; ++level)
        relevanceIcons->add(relevanceKey(level), relevanceIcon(level));
}

void SimilarArtistsPanel::showCaption(bool shown)
{
    // Hidden, the caption lies as far down as the hidden panels: out of sight.
    similarArtistsCaption->move(0, shown ? 0 : HIDDEN_TOP - SIMILAR_CAPTION_TOP);
}

} // namespace ui
