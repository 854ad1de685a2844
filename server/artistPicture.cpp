#include "artistPicture.h"

#include "randomSource.h"

#include <QBuffer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace artistPicture {

namespace {

QColor colourFrom(RandomSource &random)
{
    return QColor::fromHsv(random.below(360), 80 + random.below(150), 90 + random.below(160));
}

} // namespace

std::string makeJpeg(std::uint64_t seed)
{
    RandomSource random(seed);
    QImage image(150, 142, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient background(0, 0, 150, 142);
        background.setColorAt(0, colourFrom(random));
        background.setColorAt(1, colourFrom(random));
        painter.fillRect(image.rect(), background);
        // A few shapes, then a head-and-shoulders silhouette so it reads as a portrait.
        for (int i = 0; i < 6; ++i) {
            QColor colour = colourFrom(random);
            colour.setAlpha(90 + random.below(100));
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
            const int size = 20 + random.below(60);
            if (random.chance(0.5))
                painter.drawEllipse(random.below(150) - size / 2, random.below(142) - size / 2, size, size);
            else
                painter.drawRect(random.below(150) - size / 2, random.below(142) - size / 2, size, size / 2);
        }
        QColor figure = colourFrom(random).darker(250);
        painter.setBrush(figure);
        painter.drawEllipse(QPointF(75, 58), 24, 27);
        QPainterPath shoulders;
        shoulders.moveTo(25, 142);
        shoulders.cubicTo(30, 95, 120, 95, 125, 142);
        painter.drawPath(shoulders);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", 85))
        return {};
    return std::string(bytes.constData(), size_t(bytes.size()));
}

} // namespace artistPicture
