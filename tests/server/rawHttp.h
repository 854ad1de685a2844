#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// Requests written byte for byte the way the client writes them, over a real loopback socket.
namespace rawHttp {

struct Reply
{
    int status = 0;
    QByteArray head;
    QByteArray body;
    // Content-Length was there and the body matched it.
    bool lengthMatches = false;
    QByteArray header(const QByteArray &name) const;
};

// host: the Host header text (e.g. "sonavex.localhost:1234"); target: sent as given, raw bytes included.
Reply get(quint16 port, const QByteArray &host, const QByteArray &target, const QByteArray &referer = {},
          const QByteArray &cookie = {});
// Sends arbitrary bytes and reads one reply.
Reply exchange(quint16 port, const QByteArray &request);

// Lines as the client's line reader returns them: each CR and each LF ends a line on its own.
QList<QByteArray> clientLines(const QByteArray &body);
// Lines split at LF only, a CR kept (the download page scan).
QList<QByteArray> lfLines(const QByteArray &body);

// The client's link scan over a saved download page, rule for rule: LF-only lines, title first, the
// prefix line restarts the link, continuation lines lose their last two characters, the line with
// "<img src=" gives all but the two characters before the marker. Empty when no link completes.
QByteArray findRedirectLink(const QByteArray &page, const QByteArray &title, const QByteArray &prefix);

// Checks the MPEG audio frame header at the start of the audio (after any ID3v2 tag).
bool looksLikeMp3(const QByteArray &bytes, int *bitrateKbps = nullptr);

} // namespace rawHttp
