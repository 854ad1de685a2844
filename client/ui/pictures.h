#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The pictures stored with the windows, drawn by us at start so the program ships no image files.
namespace ui {

constexpr int RELEVANCE_LEVELS = 11;

// A solid 15 x 15 square of red = 25 * level ("level_0" black .. "level_10" bright red).
QColor relevanceColour(int level);
QPixmap relevanceIcon(int level);
QString relevanceKey(int level);

// The connect frame: the program's badge and the "server on the network" picture.
QPixmap connectBadge(const QSize &size);
QPixmap connectNetwork(const QSize &size);

// Genre pictures: 1 electronic and dance, 2 urban, 3 rock, indie and everything else.
QPixmap genrePicture(int picture, const QSize &size);

// A rounded tag with a store's country code, for the shop buttons.
QPixmap storeBadge(const QString &code, const QSize &size);

QIcon programIcon();

} // namespace ui
