#include "ui/searchOptionsPanel.h"

#include "ui/layout.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>

namespace ui {

SearchOptionsPanel::SearchOptionsPanel(QWidget *parent) : QGroupBox(QStringLiteral("Search Options"), parent)
{
    searchArtistPicture = named(new QLabel(this), "searchArtistPicture");
    myMusicButton = named(new QPushButton(QStringLiteral("my music"), this), "myMusicButton");
    recommendationsButton =
        named(new QPushButton(QStringLiteral("recommendations"), this), "recommendationsButton");
    searchKindTabs = named(new QTabBar(this), "searchKindTabs");
    searchFieldsFrame = named(new QGroupBox(this), "searchFieldsFrame");
    searchFieldLabel = named(new QLabel(QStringLiteral("Search For"), searchFieldsFrame), "searchFieldLabel");
    searchField = named(new QLineEdit(searchFieldsFrame), "searchField");
    searchButton =
        named(new QPushButton(QStringLiteral("search for music"), searchFieldsFrame), "searchButton");
    genreLabel = named(new QLabel(QStringLiteral("Genre"), searchFieldsFrame), "genreLabel");
    genreBox = named(new QComboBox(searchFieldsFrame), "genreBox");
    queryAddressLabel = named(new QLabel(QStringLiteral("( URL )"), searchFieldsFrame), "queryAddressLabel");
    queryAddressField = named(new QLineEdit(searchFieldsFrame), "queryAddressField");
    similarArtistsButton = named(new QPushButton(QStringLiteral("find similar artists"), searchFieldsFrame),
                                 "similarArtistsButton");

    // As tall as its controls; the results below take what the window has to spare.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    searchArtistPicture->setFixedSize(96, 96);
    searchArtistPicture->setAlignment(Qt::AlignCenter);
    searchArtistPicture->setFrameShape(QFrame::StyledPanel);
    searchArtistPicture->setAccessibleName(QStringLiteral("Artist picture"));
    searchKindTabs->addTab(QStringLiteral("Keyword"));
    searchKindTabs->addTab(QStringLiteral("Artist"));
    searchKindTabs->addTab(QStringLiteral("Title"));
    searchKindTabs->setTabToolTip(0, QStringLiteral("Search by Keyword"));
    searchKindTabs->setTabToolTip(1, QStringLiteral("Search By Artist"));
    searchKindTabs->setTabToolTip(2, QStringLiteral("Search by Title"));
    searchKindTabs->setDrawBase(false);
    searchKindTabs->setExpanding(false);
    searchKindTabs->setAccessibleName(QStringLiteral("Search by"));
    searchFieldsFrame->setFlat(true);
    searchFieldLabel->setBuddy(searchField);
    queryAddressLabel->setBuddy(queryAddressField);
    genreLabel->setBuddy(genreBox);
    searchField->setAccessibleName(QStringLiteral("Search For"));
    queryAddressField->setAccessibleName(QStringLiteral("( URL )"));
    queryAddressField->setReadOnly(true);
    genreBox->setAccessibleName(QStringLiteral("Genre"));
    genreBox->setMinimumContentsLength(12);
    genreBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    auto *fields = new QGridLayout(searchFieldsFrame);
    fields->setContentsMargins(0, 4, 0, 0);
    fields->setHorizontalSpacing(6);
    fields->setVerticalSpacing(6);
    fields->addWidget(searchFieldLabel, 0, 0);
    fields->addWidget(searchField, 0, 1, 1, 3);
    fields->addWidget(searchButton, 0, 4);
    fields->addWidget(genreLabel, 1, 0);
    fields->addWidget(genreBox, 1, 1);
    fields->addWidget(queryAddressLabel, 1, 2);
    fields->addWidget(queryAddressField, 1, 3);
    fields->addWidget(similarArtistsButton, 1, 4);
    fields->setColumnStretch(3, 1);

    // Picture | tabs over the search fields | library and recommendations.
    auto *middle = new QVBoxLayout;
    middle->setSpacing(2);
    auto *tabRow = new QHBoxLayout;
    tabRow->addWidget(searchKindTabs);
    tabRow->addStretch();
    tabRow->addWidget(myMusicButton);
    tabRow->addWidget(recommendationsButton);
    middle->addLayout(tabRow);
    middle->addWidget(searchFieldsFrame);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 4, 10, 6);
    layout->setSpacing(10);
    layout->addWidget(searchArtistPicture, 0, Qt::AlignTop);
    layout->addLayout(middle, 1);
}

} // namespace ui
