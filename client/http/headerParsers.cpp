#include "http/httpAgent.h"
#include "http/responseReader.h"

#include <QList>
#include <QStringView>

#include <algorithm>

#include <limits>

namespace http {

namespace {

// Leading decimal digits after optional blanks; -1 when there are
// none or the number does not fit.
qint64 leadingNumber(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    qint64 value = 0;
    qsizetype digits = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++digits) {
        if (value > (std::numeric_limits<qint64>::max() - 9) / 10)
            return -1;
        value = value * 10 + (text[i].unicode() - u'0');
    }
    return digits > 0 ? value : -1;
}

// The three characters after the first marker, read as a number; -1 when the marker is absent.
int statusAfter(const QString &text, QLatin1String marker)
{
    const qsizetype at = text.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0)
        return -1;
    const qint64 value = leadingNumber(QStringView(text).mid(at + marker.size(), 3));
    return value < 0 ? 0 : int(value);
}

qsizetype firstLineEnd(const QString &text, qsizetype from)
{
    const qsizetype cr = text.indexOf(QLatin1Char('\r'), from);
    const qsizetype lf = text.indexOf(QLatin1Char('\n'), from);
    if (cr < 0)
        return lf;
    if (lf < 0)
        return cr;
    return qMin(cr, lf);
}

QString trimSpaces(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin).toString();
}

// The non-empty values, blanks around them removed, of the whole lines (LF or CR LF) of `text`
// that are fields of this name, in any letter case.
QList<QStringView> fieldValues(const QString &text, QLatin1String name)
{
    QList<QStringView> values;
    for (qsizetype start = 0, lf = text.indexOf(u'\n'); lf >= 0;
         start = lf + 1, lf = text.indexOf(u'\n', start)) {
        const QStringView line = QStringView(text).mid(start, lf - start);
        if (line.size() > name.size() && line[name.size()] == u':' &&
            line.startsWith(name, Qt::CaseInsensitive)) {
            if (const QStringView value = line.mid(name.size() + 1).trimmed(); !value.isEmpty())
                values.append(value);
        }
    }
    return values;
}

// Every value of every Content-Length field, a field may list several; -1 for a value that is not
// wholly a number that fits.
QList<qint64> contentLengths(const QString &text)
{
    QList<qint64> lengths;
    for (const QStringView value : fieldValues(text, QLatin1String("Content-Length"))) {
        for (const QStringView item : value.split(u',')) {
            const QStringView number = item.trimmed();
            const bool digitsOnly =
                !number.isEmpty() &&
                std::all_of(number.begin(), number.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
            lengths.append(digitsOnly ? leadingNumber(number) : -1);
        }
    }
    return lengths;
}

} // namespace

int parseStatusCode(const QString &text)
{
    int code = 0;
    // An HTTP/1.0 status line wins over an HTTP/1.1 one.
    for (const QLatin1String marker : {QLatin1String("HTTP/1.1 "), QLatin1String("HTTP/1.0 ")}) {
        const int value = statusAfter(text, marker);
        if (value >= 0)
            code = value;
    }
    return code;
}

qint64 parseContentLength(const QString &text)
{
    // A negative, unreadable or overflowing length, or lengths that disagree, give -1: then nobody
    // can tell where the body ends.
    const QList<qint64> lengths = contentLengths(text);
    if (lengths.isEmpty())
        return 0;
    const bool agree =
        std::all_of(lengths.begin(), lengths.end(), [&](qint64 l) { return l == lengths.first(); });
    return agree ? lengths.first() : -1;
}

QString parseCookie(const QString &text)
{
    const QLatin1String marker("Cookie: ");
    const qsizetype at = text.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    const qsizetype start = at + marker.size();
    // The value never runs past its own line: a line break in it would inject header lines into
    // every later request of the slot.
    qsizetype end = firstLineEnd(text, start);
    const qsizetype semicolon = text.indexOf(QLatin1Char(';'), start);
    if (semicolon >= 0 && (end < 0 || semicolon < end))
        end = semicolon;
    if (end < 0)
        return {};
    return text.mid(start, end - start);
}

QString parseRangeValidator(const QString &text)
{
    const QList<QStringView> ranges = fieldValues(text, QLatin1String("Accept-Ranges"));
    if (ranges.isEmpty() || ranges.first().compare(u"bytes", Qt::CaseInsensitive) != 0)
        return {};
    // A weak tag may not be used to join pieces of a body.
    for (const QStringView tag : fieldValues(text, QLatin1String("ETag"))) {
        if (!tag.startsWith(u"W/"))
            return tag.toString();
    }
    const QList<QStringView> modified = fieldValues(text, QLatin1String("Last-Modified"));
    return modified.isEmpty() ? QString() : modified.first().toString();
}

bool rangeStartsAt(const QString &text, qint64 from)
{
    const QList<QStringView> ranges = fieldValues(text, QLatin1String("Content-Range"));
    return ranges.size() == 1 &&
           ranges.first().startsWith(QStringLiteral("bytes %1-").arg(from), Qt::CaseInsensitive);
}

QString parseLocation(const QString &text)
{
    const QLatin1String marker("Location: ");
    const qsizetype at = text.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    const qsizetype start = at + marker.size();
    const qsizetype end = firstLineEnd(text, start);
    if (end < 0)
        return {};
    return trimSpaces(QStringView(text).mid(start, end - start));
}

QString absoluteRedirectUrl(const QString &location, const QString &host)
{
    if (location.contains(QLatin1String("http://"), Qt::CaseInsensitive))
        return location;
    return QStringLiteral("http://") + trimSpaces(host) + location;
}

bool isChunked(const QString &text)
{
    const QList<QStringView> codings = fieldValues(text, QLatin1String("Transfer-Encoding"));
    if (codings.isEmpty())
        return false;
    const QStringView last = codings.last();
    return last.sliced(last.lastIndexOf(u',') + 1)
               .trimmed()
               .compare(QLatin1String("chunked"), Qt::CaseInsensitive) == 0;
}

bool hasTransferEncoding(const QString &text)
{
    return !fieldValues(text, QLatin1String("Transfer-Encoding")).isEmpty();
}

bool hasContentLength(const QString &text)
{
    return !contentLengths(text).isEmpty();
}

namespace {
// Where the host part starts and the path begins; false when either is missing.
bool splitUrl(const QString &url, qsizetype &hostStart, qsizetype &pathStart)
{
    const qsizetype scheme = url.indexOf(QLatin1String("://"), 0, Qt::CaseInsensitive);
    if (scheme < 0)
        return false;
    hostStart = scheme + 3;
    pathStart = url.indexOf(QLatin1Char('/'), hostStart, Qt::CaseInsensitive);
    return pathStart >= 0;
}
} // namespace

QString hostFromUrl(const QString &url)
{
    qsizetype hostStart = 0;
    qsizetype pathStart = 0;
    return splitUrl(url, hostStart, pathStart) ? url.mid(hostStart, pathStart - hostStart) : QString();
}

QString pathFromUrl(const QString &url)
{
    qsizetype hostStart = 0;
    qsizetype pathStart = 0;
    return splitUrl(url, hostStart, pathStart) ? url.mid(pathStart) : QString();
}

} // namespace http
