#include "ui/formQueryDb.h"

#include "core/settings.h"
#include "media/library.h"
#include "media/mprisService.h"
#include "media/playback.h"
#include "platform/mediaPlayerControl.h"
#include "platform/socketControl.h"
#include "platform/webBrowserControl.h"
#include "ui/guiRepositioning.h"

#include <QLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

// Library and playback handlers are connected here.
void formQueryDb::setupLibraryHandlers()
{
    MMControl1 = new platform::MediaPlayerControl(MMControl1Area);
    MMControl1->setObjectName(QStringLiteral("MMControl1"));
    MMControl1->setAccessibleName(QStringLiteral("Player"));
    if (QLayout *area = MMControl1Area->layout())
        area->addWidget(MMControl1);

    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    // Arrow keys and Page keys should move by a useful amount of milliseconds.
    Slider1->setRange(0, 0);
    Slider1->setSingleStep(5000);
    Slider1->setPageStep(15000);

    connect(Command7, &QPushButton::clicked, this, &formQueryDb::on_Command7_clicked);
    connect(List1, &QListWidget::itemSelectionChanged, this, &formQueryDb::on_List1_itemSelectionChanged);
    connect(MMControl1, &platform::MediaPlayerControl::playClick, this,
            &formQueryDb::on_MMControl1_playClick);
    connect(MMControl1, &platform::MediaPlayerControl::pauseClick, this,
            &formQueryDb::on_MMControl1_pauseClick);
    connect(MMControl1, &platform::MediaPlayerControl::stopClick, this,
            &formQueryDb::on_MMControl1_stopClick);
    connect(Slider1, &QSlider::actionTriggered, this, &formQueryDb::on_Slider1_actionTriggered);
    connect(Slider1, &QSlider::sliderReleased, this, &formQueryDb::on_Slider1_sliderReleased);
    connect(Timer2, &QTimer::timeout, this, &formQueryDb::on_Timer2_timeout);

    m_mpris = new media::MprisService(*MMControl1, *Timer2, this);
    m_mpris->setObjectName(QStringLiteral("mprisService"));
}

void formQueryDb::on_Command7_clicked()
{
    guiRepositioning::showLibraryFrame();
    media::loadLibrary(core::settings().mp3Folder, *List1);
}

void formQueryDb::on_List1_itemSelectionChanged()
{
    // Clearing the list also changes the selection; only a chosen line plays.
    const QList<QListWidgetItem *> selected = List1->selectedItems();
    if (selected.isEmpty())
        return;
    media::playEntry(selected.first()->text(), core::settings().mp3Folder, shopSuggestions, *WebBrowser1,
                     *MMControl1, *Timer2, *Slider1, *Label11, *Label12, *Picture1, *Winsock3,
                     http::Slot::PlayerPicture);
}

void formQueryDb::on_MMControl1_playClick()
{
    media::resumePlayback(*MMControl1, *Timer2);
}

void formQueryDb::on_MMControl1_pauseClick()
{
    media::pausePlayback(*MMControl1, *Timer2);
}

void formQueryDb::on_MMControl1_stopClick()
{
    media::stopPlayback(*MMControl1, *Timer2);
}

void formQueryDb::on_Slider1_actionTriggered(int action)
{
    // Only the user's moves come here; a drag seeks once, when the handle is let go.
    if (action == QAbstractSlider::SliderNoAction ||
        (action == QAbstractSlider::SliderMove && Slider1->isSliderDown()))
        return;
    media::seekAndPlay(*MMControl1, Slider1->sliderPosition(), *Timer2);
}

void formQueryDb::on_Slider1_sliderReleased()
{
    media::seekAndPlay(*MMControl1, Slider1->sliderPosition(), *Timer2);
}

void formQueryDb::on_Timer2_timeout()
{
    media::showPlaybackPosition(*MMControl1, *Slider1, *Label9, *Label10);
}
