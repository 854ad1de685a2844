#pragma once

#include <QLatin1String>
#include <QObject>

// Window geometry in pixels. The window fits a 1280 x 800 screen; panels are switched by moving
// their top edges, never by hiding them: a panel moved to HIDDEN_TOP lies below the window's
// inner height and is out of sight.
namespace ui {

constexpr int WINDOW_WIDTH = 1064;
constexpr int WINDOW_HEIGHT = 688;
constexpr int MARGIN = 8;
constexpr int GAP = 8;
constexpr int LEFT_WIDTH = 624;
constexpr int RIGHT_X = MARGIN + LEFT_WIDTH + 12;
constexpr int RIGHT_WIDTH = WINDOW_WIDTH - RIGHT_X - MARGIN;

constexpr int SHOWN_TOP = 8;
constexpr int HIDDEN_TOP = 700;
constexpr int RESULTS_TOP = 144;
constexpr int DOWNLOAD_TOP = 528;
constexpr int SIMILAR_CAPTION_TOP = 16;

// The similar-artists caption and tree; the shop lies below them.
constexpr int SIMILAR_HEIGHT = 26 + 264;
constexpr int SHOP_TOP = SIMILAR_CAPTION_TOP + SIMILAR_HEIGHT + GAP;

// The download panel's width; the radio panel takes the rest of its row.
constexpr int DOWNLOAD_WIDTH = 384;
constexpr int BOTTOM_HEIGHT = WINDOW_HEIGHT - MARGIN - DOWNLOAD_TOP;

// The full height of the left column, where the connect, recommendations and library panels lie.
constexpr int COLUMN_HEIGHT = WINDOW_HEIGHT - 2 * MARGIN;

// Gives the control its object name; the name is the member's name.
template <typename T> T *named(T *object, const char *name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

} // namespace ui
