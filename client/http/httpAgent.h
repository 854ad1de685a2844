#pragma once

#include <QByteArray>
#include <QString>

namespace platform {
class SocketControl;
}

// The program's own HTTP/1.1 client: one GET at a time per connection slot, the body written
// to a target file chunk by chunk, the caller waiting while window events keep running.
namespace httpAgent {

// Sends a GET and waits until the transfer has ended (redirects followed). Returns the final
// status code, or 0 when no connection could be made or the transfer broke off. Only for 200
// does targetFile exist afterwards, holding the complete body.
int sendGetRequest(const QString &host, const QString &port, const QString &path, const QString &referer,
                   const QString &userAgent, platform::SocketControl &socket, const QString &targetFile,
                   int slot);

// Pairs a socket control with its slot for good: its data-arrival events feed that slot.
void attachSocket(platform::SocketControl &socket, int slot);

// Data-arrival handling for one slot: feeds the chunk to the slot's response reader and acts on
// what it reports (state changes, file writes, closing the socket).
void handleResponseData(QByteArray &chunk, platform::SocketControl &socket, int slot);

QString hostFromUrl(const QString &url);
QString pathFromUrl(const QString &url);

// Header parsers over a response head.
int parseStatusCode(const QString &text);
qint64 parseContentLength(const QString &text);
QString parseCookie(const QString &text);
// The Location value with blanks trimmed; empty when there is none.
QString parseLocation(const QString &text);
// A Location value without "http://" is taken as a path on the host of the request.
QString absoluteRedirectUrl(const QString &location, const QString &host);
bool isChunked(const QString &text);
bool hasContentLength(const QString &text);

// "HTTP_NOT_FOUND" for 404; empty for codes without a name.
QString statusCodeName(int code);

// errorText, CR LF, "HTTP Response: ", code, " = ", status name.
QString httpErrorMessage(const QString &errorText, int code);

// Time-outs in milliseconds (defaults 15 s to connect, 30 s without a byte); tests shorten them.
void setTimeouts(int connectMs, int idleMs);

} // namespace httpAgent
