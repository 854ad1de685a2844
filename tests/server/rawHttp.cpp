#include "rawHttp.h"

#include <QDeadlineTimer>
#include <QTcpSocket>

namespace rawHttp {

QByteArray Reply::header(const QByteArray &name) const
{
    for (const QByteArray &line : head.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

Reply exchange(quint16 port, const QByteArray &request)
{
    Reply reply;
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(10000))
        return reply;
    socket.write(request);
    socket.flush();
    QByteArray data;
    qint64 expected = -1;
    int headEnd = -1;
    const QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        if (headEnd < 0) {
            headEnd = data.indexOf("\r\n\r\n");
            if (headEnd >= 0) {
                reply.head = data.left(headEnd);
                const QByteArray length = reply.header("Content-Length");
                expected = length.isEmpty() ? -1 : length.toLongLong();
            }
        }
        if (headEnd >= 0 && expected >= 0 && data.size() - headEnd - 4 >= expected)
            break;
        if (!socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            if (socket.state() != QAbstractSocket::ConnectedState)
                break;
            continue;
        }
        data += socket.readAll();
    }
    data += socket.readAll();
    if (headEnd < 0)
        return reply;
    reply.body = data.mid(headEnd + 4);
    reply.lengthMatches = expected >= 0 && reply.body.size() == expected;
    const QList<QByteArray> status = reply.head.left(reply.head.indexOf('\r')).split(' ');
    reply.status = status.size() >= 2 ? status.at(1).toInt() : 0;
    return reply;
}

Reply get(quint16 port, const QByteArray &host, const QByteArray &target, const QByteArray &referer,
          const QByteArray &cookie)
{
    QByteArray request = "GET " + target + " HTTP/1.1\r\n";
    request += "Host: " + host + "\r\n";
    request += "User-Agent: Sonavex test\r\n";
    request += "Accept: text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,"
               "image/png,*/*;q=0.5\r\n";
    request += "Accept-Language: en-gb,en;q=0.5\r\n";
    request += "Accept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7\r\n";
    request += "Keep-Alive: 300\r\n";
    request += "Connection: Keep-Alive\r\n";
    request += "Referer: " + referer + "\r\n";
    if (!cookie.isEmpty())
        request += "Cookie: " + cookie + "\r\n";
    request += "\r\n";
    return exchange(port, request);
}

QList<QByteArray> clientLines(const QByteArray &body)
{
    QList<QByteArray> lines;
    QByteArray current;
    for (int i = 0; i < body.size(); ++i) {
        const char c = body.at(i);
        if (c == '\r' || c == '\n') {
            lines.append(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.isEmpty())
        lines.append(current);
    return lines;
}

QList<QByteArray> lfLines(const QByteArray &body)
{
    QList<QByteArray> lines = body.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray findRedirectLink(const QByteArray &page, const QByteArray &title, const QByteArray &prefix)
{
    bool titleSeen = false, collecting = false;
    QByteArray buffer;
    for (const QByteArray &line : lfLines(page)) {
        const QByteArray lower = line.toLower();
        if (collecting) {
            const int p = lower.indexOf("<img src=");
            if (p >= 0)
                return buffer + line.left(qMax(0, p - 2));
            buffer += line.left(qMax(0, int(line.size()) - 2));
        }
        if (!titleSeen && lower.contains(title.toLower()))
            titleSeen = true;
        if (titleSeen && lower.contains(prefix.toLower())) {
            buffer = prefix;
            collecting = true;
        }
    }
    return {};
}

bool looksLikeMp3(const QByteArray &bytes, int *bitrateKbps)
{
    int at = 0;
    if (bytes.startsWith("ID3") && bytes.size() > 10) {
        const auto size = [&](int i) { return int(static_cast<unsigned char>(bytes.at(i)) & 0x7F); };
        at = 10 + (size(6) << 21 | size(7) << 14 | size(8) << 7 | size(9));
    }
    if (bytes.size() < at + 4)
        return false;
    const auto b = [&](int i) { return static_cast<unsigned char>(bytes.at(at + i)); };
    if (b(0) != 0xFF || (b(1) & 0xE0) != 0xE0)
        return false;
    // MPEG-1 layer III bitrate table.
    static const int rates[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    if (bitrateKbps)
        *bitrateKbps = rates[b(2) >> 4];
    return (b(1) & 0x18) == 0x18 && (b(1) & 0x06) == 0x02;
}

} // namespace rawHttp
