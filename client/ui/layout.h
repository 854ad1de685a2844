#pragma once

#include <QLatin1String>
#include <QObject>

// Window geometry in pixels, before any scaling. Panels sit in layouts and grow with the window;
// these are the window's first size and the spacing between panels.
namespace ui {

constexpr int WINDOW_WIDTH = 1064;
constexpr int WINDOW_HEIGHT = 688;
constexpr int MARGIN = 8;
constexpr int GAP = 8;
// The left column's share of the width against the right column's, as the first size has them.
constexpr int LEFT_STRETCH = 624;
constexpr int RIGHT_STRETCH = 412;
// The download panel's share of its row against the radio panel's.
constexpr int DOWNLOAD_STRETCH = 384;
constexpr int RADIO_STRETCH = 232;

// Gives the control its object name; the name is the member's name.
template <typename T> T *named(T *object, const char *name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

} // namespace ui
