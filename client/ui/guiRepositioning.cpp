#include "ui/guiRepositioning.h"

#include "platform/twips.h"
#include "ui/formQueryDb.h"

#include <QGroupBox>
#include <QLabel>
#include <QPointer>

namespace guiRepositioning {

namespace {
QPointer<formQueryDb> &current()
{
    static QPointer<formQueryDb> value;
    return value;
}

void move(QWidget *widget, int twips)
{
    if (widget)
        setTopTwips(*widget, twips);
}
} // namespace

void setWindow(formQueryDb *windowToUse)
{
    current() = windowToUse;
}

formQueryDb *window()
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
        move(w->Frame1, HIDDEN_TOP);
        move(w->Frame2, HIDDEN_TOP);
        move(w->Frame4, HIDDEN_TOP);
        move(w->Frame5, HIDDEN_TOP);
        move(w->Label5, HIDDEN_TOP);
    }
}

void showSearchPanels()
{
    if (auto *w = window()) {
        move(w->Frame1, SHOWN_TOP);
        move(w->Frame2, RESULTS_TOP);
        move(w->Frame4, DOWNLOAD_TOP);
        move(w->Frame5, DOWNLOAD_TOP);
        move(w->Label5, SIMILAR_LABEL_TOP);
    }
}

void hideRecommendationsFrame()
{
    if (auto *w = window())
        move(w->Frame6, HIDDEN_TOP);
}

void showRecommendationsFrame()
{
    if (auto *w = window())
        move(w->Frame6, SHOWN_TOP);
}

void hideConnectFrame()
{
    if (auto *w = window())
        move(w->Frame7, HIDDEN_TOP);
}

void showConnectFrame()
{
    if (auto *w = window())
        move(w->Frame7, SHOWN_TOP);
}

void hideLibraryFrame()
{
    if (auto *w = window())
        move(w->Frame8, HIDDEN_TOP);
}

void showLibraryFrame()
{
    if (auto *w = window())
        move(w->Frame8, SHOWN_TOP);
}

} // namespace guiRepositioning
