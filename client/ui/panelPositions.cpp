#include "ui/panelPositions.h"

#include "platform/twips.h"
#include "ui/mainWindow.h"

#include <QGroupBox>
#include <QLabel>
#include <QPointer>

namespace ui {

namespace {
QPointer<MainWindow> &current()
{
    static QPointer<MainWindow> value;
    return value;
}

void move(QWidget *widget, int twips)
{
    if (widget)
        setTopTwips(*widget, twips);
}
} // namespace

void setWindow(MainWindow *windowToUse)
{
    current() = windowToUse;
}

MainWindow *window()
{
    return current().data();
}

int topTwips(const QWidget &widget)
{
    return platform::pixelsToTwips(widget.y());
}

void setTopTwips(QWidget &widget, int twips)
{
    widget.move(widget.x(), platform::twipsToPixels(twips));
}

void hideSearchPanels()
{
    if (auto *w = window()) {
        move(w->searchOptionsPanel, HIDDEN_TOP);
        move(w->resultsPanel, HIDDEN_TOP);
        move(w->currentDownloadPanel, HIDDEN_TOP);
        move(w->radioPanel, HIDDEN_TOP);
        move(w->similarArtistsCaption, HIDDEN_TOP);
    }
}

void showSearchPanels()
{
    if (auto *w = window()) {
        move(w->searchOptionsPanel, SHOWN_TOP);
        move(w->resultsPanel, RESULTS_TOP);
        move(w->currentDownloadPanel, DOWNLOAD_TOP);
        move(w->radioPanel, DOWNLOAD_TOP);
        move(w->similarArtistsCaption, SIMILAR_LABEL_TOP);
    }
}

void hideRecommendationsFrame()
{
    if (auto *w = window())
        move(w->recommendationsPanel, HIDDEN_TOP);
}

void showRecommendationsFrame()
{
    if (auto *w = window())
        move(w->recommendationsPanel, SHOWN_TOP);
}

void hideConnectFrame()
{
    if (auto *w = window())
        move(w->connectPanel, HIDDEN_TOP);
}

void showConnectFrame()
{
    if (auto *w = window())
        move(w->connectPanel, SHOWN_TOP);
}

void hideLibraryFrame()
{
    if (auto *w = window())
        move(w->libraryPanel, HIDDEN_TOP);
}

void showLibraryFrame()
{
    if (auto *w = window())
        move(w->libraryPanel, SHOWN_TOP);
}

} // namespace ui
