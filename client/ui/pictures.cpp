#include "ui/pictures.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace ui {

namespace {
const QColor accent(0x2a, 0x6f, 0xdb);
const QColor accentDark(0x1b, 0x3f, 0x7a);

// Drawn at the screen's pixel ratio so the pictures stay sharp on scaled desktops.
QPixmap blank(const QSize &size)
{
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap picture(size * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    return picture;
}

// A vinyl disc with a note on its label: the program's mark.
void paintDisc(QPainter &p, const QRectF &r)
{
    QRadialGradient vinyl(r.center(), r.width() / 2);
    vinyl.setColorAt(0.0, QColor(0x33, 0x33, 0x3a));
    vinyl.setColorAt(1.0, QColor(0x0c, 0x0c, 0x10));
    p.setPen(Qt::NoPen);
    p.setBrush(vinyl);
    p.drawEllipse(r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 28), qMax(1.0, r.width() / 90)));
    for (double f = 0.9; f > 0.45; f -= 0.1)
        p.drawEllipse(r.center(), r.width() / 2 * f, r.height() / 2 * f);
    const QRectF label(r.center().x() - r.width() * 0.2, r.center().y() - r.height() * 0.2, r.width() * 0.4,
                       r.height() * 0.4);
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    p.drawEllipse(label);
    // An eighth note on the label.
    p.setBrush(Qt::white);
    const double u = label.width() / 10;
    const QPointF head(label.center().x() - 1.2 * u, label.center().y() + 1.8 * u);
    p.drawEllipse(head, 1.6 * u, 1.2 * u);
    p.drawRect(QRectF(head.x() + 1.0 * u, label.top() + 2.0 * u, 0.8 * u, head.y() - label.top() - 2.0 * u));
    QPainterPath flag;
    flag.moveTo(head.x() + 1.8 * u, label.top() + 2.0 * u);
    flag.cubicTo(head.x() + 3.5 * u, label.top() + 3.0 * u, head.x() + 4.0 * u, label.top() + 4.0 * u,
                 head.x() + 3.0 * u, label.top() + 5.5 * u);
    flag.lineTo(head.x() + 1.8 * u, label.top() + 3.4 * u);
    flag.closeSubpath();
    p.drawPath(flag);
}
} // namespace

QColor relevanceColour(int level)
{
    return QColor(qBound(0, 25 * level, 255), 0, 0);
}

QPixmap relevanceIcon(int level)
{
    QPixmap icon(15, 15);
    icon.fill(relevanceColour(level));
    return icon;
}

QString relevanceKey(int level)
{
    return QStringLiteral("level_") + QString::number(level);
}

QPixmap connectBadge(const QSize &size)
{
    QPixmap picture = blank(size);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const double side = qMin(size.width(), size.height()) - 4;
    paintDisc(p, QRectF((size.width() - side) / 2, (size.height() - side) / 2, side, side));
    return picture;
}

QPixmap connectNetwork(const QSize &size)
{
    QPixmap picture = blank(size);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = size.width();
    const double h = size.height();
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(0xe8, 0xf0, 0xfc));
    sky.setColorAt(1, QColor(0xc9, 0xdb, 0xf6));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(0, 0, w, h), 12, 12);

    // A desktop on the left, a server rack on the right, a wave of notes between them.
    const QRectF screen(w * 0.08, h * 0.3, w * 0.26, h * 0.34);
    p.setBrush(accentDark);
    p.drawRoundedRect(screen, 6, 6);
    p.setBrush(QColor(0xf4, 0xf7, 0xfd));
    p.drawRect(screen.adjusted(6, 6, -6, -6));
    p.setBrush(accentDark);
    p.drawRect(QRectF(screen.center().x() - w * 0.02, screen.bottom(), w * 0.04, h * 0.08));
    p.drawRoundedRect(QRectF(screen.center().x() - w * 0.07, screen.bottom() + h * 0.08, w * 0.14, h * 0.04),
                      3, 3);

    for (int i = 0; i < 3; ++i) {
        const QRectF unit(w * 0.68, h * (0.22 + 0.18 * i), w * 0.24, h * 0.15);
        p.setBrush(accentDark);
        p.drawRoundedRect(unit, 5, 5);
        p.setBrush(QColor(0x7c, 0xe0, 0x8a));
        p.drawEllipse(QPointF(unit.right() - w * 0.03, unit.center().y()), h * 0.018, h * 0.018);
        p.setBrush(QColor(255, 255, 255, 90));
        p.drawRect(QRectF(unit.left() + w * 0.025, unit.center().y() - 1.5, w * 0.1, 3));
    }

    QPen wave(accent, qMax(2.0, h / 50), Qt::SolidLine, Qt::RoundCap);
    p.setPen(wave);
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    const double y0 = h * 0.47;
    path.moveTo(w * 0.37, y0);
    for (double x = w * 0.37; x <= w * 0.65; x += 1.0)
        path.lineTo(x, y0 + std::sin((x - w * 0.37) / (w * 0.28) * 6.283 * 2) * h * 0.07);
    p.drawPath(path);
    return picture;
}

QPixmap genrePicture(int picture, const QSize &size)
{
    QPixmap result = blank(size);
    QPainter p(&result);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = size.width();
    const double h = size.height();
    QColor top;
    QColor bottom;
    switch (picture) {
    case 1:
        top = QColor(0x3a, 0x1c, 0x71);
        bottom = QColor(0xd7, 0x6d, 0x77);
        break;
    case 2:
        top = QColor(0x23, 0x25, 0x26);
        bottom = QColor(0xe0, 0xa1, 0x2b);
        break;
    default:
        top = QColor(0x13, 0x4e, 0x5e);
        bottom = QColor(0x71, 0xb2, 0x80);
        break;
    }
    QLinearGradient back(0, 0, w, h);
    back.setColorAt(0, top);
    back.setColorAt(1, bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(0, 0, w, h), 10, 10);
    p.setBrush(QColor(255, 255, 255, 215));

    if (picture == 1) {
        // Equaliser bars.
        const int bars = 9;
        const double barWidth = w * 0.7 / (bars * 1.5);
        for (int i = 0; i < bars; ++i) {
            const double level = 0.25 + 0.6 * std::fabs(std::sin(i * 0.9 + 0.4));
            const double x = w * 0.15 + i * barWidth * 1.5;
            p.drawRoundedRect(QRectF(x, h * 0.85 - level * h * 0.7, barWidth, level * h * 0.7), 2, 2);
        }
    } else if (picture == 2) {
        // A microphone on its stand.
        const QRectF head(w * 0.38, h * 0.12, w * 0.24, h * 0.4);
        p.drawRoundedRect(head, w * 0.12, w * 0.12);
        p.setPen(QPen(QColor(255, 255, 255, 215), qMax(2.0, w / 40), Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(w * 0.3, h * 0.25, w * 0.4, h * 0.4), 180 * 16, 180 * 16);
        p.drawLine(QPointF(w * 0.5, h * 0.65), QPointF(w * 0.5, h * 0.82));
        p.drawLine(QPointF(w * 0.36, h * 0.84), QPointF(w * 0.64, h * 0.84));
    } else {
        // A guitar: two overlapping circles for the body, a neck and a head.
        p.drawEllipse(QPointF(w * 0.42, h * 0.66), w * 0.17, h * 0.17);
        p.drawEllipse(QPointF(w * 0.52, h * 0.5), w * 0.13, h * 0.13);
        p.save();
        p.translate(w * 0.5, h * 0.52);
        p.rotate(-40);
        p.drawRect(QRectF(-w * 0.025, -h * 0.5, w * 0.05, h * 0.42));
        p.drawRoundedRect(QRectF(-w * 0.045, -h * 0.6, w * 0.09, h * 0.12), 3, 3);
        p.restore();
        p.setBrush(top);
        p.drawEllipse(QPointF(w * 0.47, h * 0.58), w * 0.045, h * 0.045);
    }
    return result;
}

QPixmap storeBadge(const QString &code, const QSize &size)
{
    QPixmap picture = blank(size);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    const QRect area(QPoint(0, 0), size);
    p.drawRoundedRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5), size.height() * 0.25,
                      size.height() * 0.25);
    QFont font;
    font.setBold(true);
    font.setPixelSize(qMax(8, int(size.height() * 0.55)));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(area, Qt::AlignCenter, code.toUpper());
    return picture;
}

QIcon programIcon()
{
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(connectBadge(QSize(side, side)));
    return icon;
}

} // namespace ui
