#pragma once

#include <QGroupBox>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;

namespace ui {

// The artist's picture, the search kinds over the search fields, and the way to the library and
// to the recommendations.
class SearchOptionsPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit SearchOptionsPanel(QWidget *parent);

    QLabel *searchArtistPicture = nullptr;
    QPushButton *myMusicButton = nullptr;
    QPushButton *recommendationsButton = nullptr;
    QTabBar *searchKindTabs = nullptr;
    QGroupBox *searchFieldsFrame = nullptr;
    QLabel *searchFieldLabel = nullptr;
    QLineEdit *searchField = nullptr;
    QPushButton *searchButton = nullptr;
    QLabel *genreLabel = nullptr;
    QComboBox *genreBox = nullptr;
    QLabel *queryAddressLabel = nullptr;
    QLineEdit *queryAddressField = nullptr;
    QPushButton *similarArtistsButton = nullptr;
};

} // namespace ui
