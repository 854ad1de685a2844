#pragma once

#include <QWidget>

class QLabel;
class QTreeWidget;

namespace platform {
class ImageList;
}

namespace ui {

// Artists like the one looked up, each with an icon for how close it is. The tree never moves;
// its caption belongs to the search view and shows with the search panels.
class SimilarArtistsPanel : public QWidget
{
    Q_OBJECT
public:
    explicit SimilarArtistsPanel(QWidget *parent);

    void showCaption(bool shown);

    QLabel *similarArtistsCaption = nullptr;
    QTreeWidget *similarArtistsTree = nullptr;
    platform::ImageList *relevanceIcons = nullptr;
};

} // namespace ui
