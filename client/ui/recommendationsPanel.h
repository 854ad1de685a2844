#pragma once

#include <QGroupBox>

#include <array>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace platform {
class ImageList;
}

namespace ui {

class ClickableLabel;

// Three genre pictures with their captions; a click on one lists the recommended artists of that
// genre, with their pictures, in the tree below.
class RecommendationsPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit RecommendationsPanel(QWidget *parent);

    // The recommended-artist group each picture shows.
    int genreGroup(std::size_t picture) const;

    QPushButton *backToSearchButton = nullptr;
    QTreeWidget *recommendedArtistsTree = nullptr;
    platform::ImageList *recommendedArtistPictures = nullptr;
    // Electronic and dance, urban, rock and everything else, left to right.
    std::array<ClickableLabel *, 3> genrePictures{};
    std::array<QLabel *, 3> genreCaptions{};
};

} // namespace ui
