#include "ui/recommendationsPanel.h"

#include "platform/imageList.h"
#include "ui/clickableLabel.h"
#include "ui/layout.h"
#include "ui/pictures.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace ui {

namespace {
struct Genre
{
    const char *role;
    const char *caption;
    int group; // the group of the recommended-artist list
};
constexpr std::array<Genre, 3> genres{{{"electronic", "Electronic and Dance", 2},
                                       {"urban", "Urban", 1},
                                       {"rock", "Rock, Indie, Everything Else", 3}}};
} // namespace

RecommendationsPanel::RecommendationsPanel(QWidget *parent)
    : QGroupBox(QStringLiteral("What are you looking for?"), parent)
{
    backToSearchButton =
        named(new QPushButton(QStringLiteral("go back to search"), this), "backToSearchButton");
    recommendedArtistsTree = named(new QTreeWidget(this), "recommendedArtistsTree");
    recommendedArtistPictures = named(new platform::ImageList(this), "recommendedArtistPictures");

    recommendedArtistsTree->setHeaderHidden(true);
    recommendedArtistsTree->setRootIsDecorated(false);
    recommendedArtistsTree->setIconSize(QSize(150, 142));
    recommendedArtistsTree->setAccessibleName(QStringLiteral("Recommended artists"));

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(12, 10, 12, 12);
    layout->setHorizontalSpacing(12);
    layout->setVerticalSpacing(6);
    const QSize pictureSize(176, 112);
    for (std::size_t i = 0; i < genres.size(); ++i) {
        const QString role = QLatin1String(genres[i].role);
        auto *picture = new ClickableLabel(this);
        picture->setObjectName(role + QStringLiteral("GenrePicture"));
        auto *caption = new QLabel(QLatin1String(genres[i].caption), this);
        caption->setObjectName(role + QStringLiteral("GenreCaption"));
        picture->setPixmap(genrePicture(int(i) + 1, pictureSize));
        picture->setFixedSize(pictureSize);
        picture->setAccessibleName(caption->text());
        picture->setToolTip(caption->text());
        caption->setAlignment(Qt::AlignHCenter);
        caption->setBuddy(picture);
        layout->addWidget(picture, 0, int(i), Qt::AlignHCenter);
        layout->addWidget(caption, 1, int(i), Qt::AlignHCenter | Qt::AlignTop);
        genrePictures[i] = picture;
        genreCaptions[i] = caption;
    }
    layout->addWidget(recommendedArtistsTree, 2, 0, 1, 3);
    layout->addWidget(backToSearchButton, 3, 2, Qt::AlignRight);
    layout->setRowStretch(2, 1);
}

int RecommendationsPanel::genreGroup(std::size_t picture) const
{
    return genres.at(picture).group;
}

} // namespace ui
