#pragma once

class QWidget;

// Panels are switched by moving their top edges, never by hiding them: a panel moved to
// HIDDEN_TOP lies below the window's inner height and is out of sight.
namespace ui {

class MainWindow;

constexpr int SHOWN_TOP = 120;
constexpr int HIDDEN_TOP = 10500;
constexpr int RESULTS_TOP = 2160;
constexpr int DOWNLOAD_TOP = 7920;
constexpr int SIMILAR_LABEL_TOP = 240;

// The window the eight operations work on; set by MainWindow while it lives.
void setWindow(MainWindow *window);
MainWindow *window();

void hideSearchPanels();
void showSearchPanels();
void hideRecommendationsFrame();
void showRecommendationsFrame();
void hideConnectFrame();
void showConnectFrame();
void hideLibraryFrame();
void showLibraryFrame();

// Top edges in twips.
int topTwips(const QWidget &widget);
void setTopTwips(QWidget &widget, int twips);

} // namespace ui
