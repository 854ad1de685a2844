#include "webservice/statistics.h"

#include "core/files.h"
#include "core/settings.h"
#include "platform/messageBox.h"

#include <QComboBox>
#include <QFile>

#include <cfenv>
#include <climits>
#include <cmath>

namespace webservice {

namespace {

// The value of a "key,number" line: the number after the line's first comma.
bool keyValue(const QString &line, const QString &key, int &value)
{
    if (!line.contains(key, Qt::CaseInsensitive))
        return false;
    const int comma = line.indexOf(QLatin1Char(','));
    bool ok = false;
    const int number = leadingNumber(line.mid(comma + 1), &ok);
    // A number beyond the 32-bit range is skipped: the counter keeps what it had.
    if (!ok)
        return false;
    value = number;
    return true;
}
} // namespace

void GenreNames::set(int id, const QString &name)
{
    if (id >= FIRST_ID && id <= LAST_ID)
        m_names[std::size_t(id)] = name;
}

QString GenreNames::name(int id) const
{
    return id >= FIRST_ID && id <= LAST_ID ? m_names[std::size_t(id)] : QString();
}

void RecommendedArtists::add(const QString &name, int category)
{
    m_artists[std::size_t(m_count)] = Artist{name, category};
    if (m_count < MAX_COUNT)
        ++m_count;
}

QStringList RecommendedArtists::namesInCategory(int category) const
{
    QStringList names;
    for (int i = 0; i <= m_count; ++i) {
        if (m_artists[std::size_t(i)].category == category)
            names.append(m_artists[std::size_t(i)].name);
    }
    return names;
}

QString connectWorkFile()
{
    return core::settings().tempFolder + QStringLiteral("webService_tmp.html");
}

int leadingNumber(const QString &text, bool *ok)
{
    if (ok)
        *ok = true;
    int pos = 0;
    while (pos < text.size() && (text.at(pos) == QLatin1Char(' ') || text.at(pos) == QLatin1Char('\t')))
        ++pos;
    const int start = pos;
    if (pos < text.size() && (text.at(pos) == QLatin1Char('-') || text.at(pos) == QLatin1Char('+')))
        ++pos;
    const int digitsStart = pos;
    while (pos < text.size() && text.at(pos).isDigit() && text.at(pos).unicode() < 128)
        ++pos;
    bool digits = pos > digitsStart;
    if (pos < text.size() && text.at(pos) == QLatin1Char('.')) {
        const int fraction = ++pos;
        while (pos < text.size() && text.at(pos).isDigit() && text.at(pos).unicode() < 128)
            ++pos;
        digits = digits || pos > fraction;
    }
    if (!digits)
        return 0;
    const double value = text.mid(start, pos - start).toDouble();
    // Halves go to the even neighbour (the default rounding mode of nearbyint).
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    if (rounded < double(INT_MIN) || rounded > double(INT_MAX)) {
        if (ok)
            *ok = false;
        return 0;
    }
    return int(rounded);
}

QString updateNotice(int latestVersion)
{
    return QStringLiteral("A newer version ( 1.") + QString::number(latestVersion) +
           QStringLiteral(" ) of this software is available.\r\nVisit ") + core::settings().productHomeUrl +
           QStringLiteral(" to get updates");
}

void parseStatistics(const QString &responseFile, QComboBox &genreList, ServerStatistics &statistics,
                     GenreNames &genreNames)
{
    genreList.clear();
    genreList.addItem(QStringLiteral("Any"));

    bool latestSeen = false;
    int latestClientVersion = 0;
    QFile file(responseFile);
    if (file.open(QIODevice::ReadOnly)) {
        while (!file.atEnd()) {
            const QString line = core::readLine(file);

            keyValue(line, QStringLiteral("engineVersion,"), statistics.engineVersion);
            if (keyValue(line, QStringLiteral("latestClientVersion,"), latestClientVersion))
                latestSeen = true;
            keyValue(line, QStringLiteral("trackCount,"), statistics.trackCount);
            keyValue(line, QStringLiteral("artistCount,"), statistics.artistCount);
            keyValue(line, QStringLiteral("genreCount,"), statistics.genreCount);

            const int comma = line.indexOf(QLatin1Char(','));
            if (!line.isEmpty() && line.at(0).isDigit() && line.at(0).unicode() < 128 && comma > 0) {
                const int br = line.indexOf(QLatin1String("<br>"), comma, Qt::CaseInsensitive);
                if (br >= 0) {
                    const QString name = line.mid(comma + 1, br - comma - 1);
                    genreList.addItem(name);
                    bool ok = false;
                    const int id = leadingNumber(line.left(comma), &ok);
                    if (ok)
                        genreNames.set(id, name);
                }
            }
        }
        file.close();
    }

    if (latestSeen && latestClientVersion > core::CLIENT_MINOR_VERSION)
        platform::messageBox(updateNotice(latestClientVersion));
}

void parseRecommendedArtists(const QString &responseFile, RecommendedArtists &artists)
{
    artists.restart();
    QFile file(responseFile);
    if (!file.open(QIODevice::ReadOnly))
        return;
    while (!file.atEnd()) {
        const QString line = core::readLine(file);
        const int c1 = line.indexOf(QLatin1Char(','));
        if (c1 < 0)
            continue;
        const int c2 = line.indexOf(QLatin1Char(','), c1 + 1);
        if (c2 < 0)
            continue;
        const QString quoted = line.mid(c1 + 1, c2 - c1 - 1);
        // The name sits between one quote character on each side.
        const QString name = quoted.size() < 2 ? QString() : quoted.mid(1, quoted.size() - 2).trimmed();
        if (name.isEmpty())
            continue;
        const QString last = line.right(1).trimmed();
        const int category = (!last.isEmpty() && last.at(0).isDigit() && last.at(0).unicode() < 128)
                                 ? last.at(0).digitValue()
                                 : 0;
        if (category <= 0)
            continue;
        artists.add(name, category);
    }
}

} // namespace webservice
