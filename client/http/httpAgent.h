#pragma once

#include "http/statusCodes.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <QtGlobal>

namespace platform {
class SocketControl;
}

// The program's own HTTP/1.1 client: one GET at a time per connection slot, the body written
// to a target file chunk by chunk; callers await the request's outcome.
namespace http {

// One connection slot per purpose, each paired for good with one socket.
enum class Slot {
    Service = 1,
    Download = 2,
    PlayerPicture = 3,
    GenreArtists = 4,
    SimilarArtists = 5,
    ChooserPicture = 6
};

// What the agent knows about the request on one slot. Byte counters are 64-bit so large files
// count right.
struct SlotRecord
{
    enum class State {
        Idle,
        Connecting,
        Connected,
        RequestSent,
        Receiving,
        Complete,
        Redirect,
        ClientError,
        ServerError,
        Cancelled
    };

    State state = State::Idle;
    int statusCode = 0;
    QString targetFile;
    QString host;
    QString redirectUrl;
    QString cookie;
    qint64 contentLength = 0;
    qint64 bytesRemaining = 0;
    qint64 bytesReceived = 0;
    bool lengthUnknown = false;
    // What a later request may send as If-Range to resume this body; empty when it may not.
    QString rangeValidator;
};

const SlotRecord &slotRecord(Slot slot);

// How one request ended. Done: a final answer came (status holds it; only 200 leaves the whole
// body in the target file). Every other kind leaves status 0 and no file.
struct Outcome
{
    enum class Kind { Done, Failed, TimedOut, TakenOver, Cancelled };

    Kind kind = Kind::Failed;
    int status = 0;
    qint64 contentLength = 0;
    QString cookie;

    bool ok() const { return kind == Kind::Done && status == HTTP_OK; }
    // Ended by a newer request on the slot or by a cancel: its caller does nothing more, says nothing.
    bool stopped() const { return kind == Kind::TakenOver || kind == Kind::Cancelled; }
};

// Each request on a slot takes the slot's next generation number; `finished` carries it when
// that request has ended, however it ended.
class SlotEvents : public QObject
{
    Q_OBJECT
Q_SIGNALS:
    void finished(quint64 generation);
};

SlotEvents &slotEvents(Slot slot);
quint64 generation(Slot slot);

// The rest of a broken body. With `from` > 0 the request asks for bytes from there on, if the body
// is still the one `validator` names; a 206 for that offset appends to the target file, any other
// answer starts it afresh. With `keepPartial` a body that breaks off keeps its bytes there.
struct Range
{
    qint64 from = 0;
    QString validator;
    bool keepPartial = false;
};

// Sends a GET (to port 80 unless the host names one) and completes once the transfer has ended,
// redirects followed and the slot's cookie carried along. A newer request on the same slot ends
// this one as TakenOver; cancel() as Cancelled. Arguments are copied: the caller may go on.
QCoro::Task<Outcome> fetch(QString host, QString path, QString referer, QString userAgent,
                           platform::SocketControl &socket, QString targetFile, Slot slot, Range range = {});

// The same for a whole "http://host/path" address.
QCoro::Task<Outcome> fetchUrl(QString url, QString referer, QString userAgent,
                              platform::SocketControl &socket, QString targetFile, Slot slot,
                              Range range = {});

// Ends the request running on the slot: its wait returns 0 and its file goes.
void cancel(Slot slot);

// The program is ending: every running request ends as cancelled, leaving no file.
void cancelAll();

// The next request on the slot starts afresh: no cookie of an earlier site, no byte count.
void forgetSlotHistory(Slot slot);

// Pairs a socket with its slot for good: its data-arrival events feed that slot.
void attachSocket(platform::SocketControl &socket, Slot slot);

// Data-arrival handling for one slot: feeds the chunk to the slot's response reader and acts on
// what it reports (state changes, file writes, closing the socket).
void handleResponseData(QByteArray &chunk, platform::SocketControl &socket, Slot slot);

QString hostFromUrl(const QString &url);
QString pathFromUrl(const QString &url);

// Header parsers over a response head.
int parseStatusCode(const QString &text);
// The body length; 0 without one, -1 when a value is unreadable or the values differ.
qint64 parseContentLength(const QString &text);
QString parseCookie(const QString &text);
// The Location value with blanks trimmed; empty when there is none.
QString parseLocation(const QString &text);
// A Location value without "http://" is taken as a path on the host of the request.
QString absoluteRedirectUrl(const QString &location, const QString &host);
bool isChunked(const QString &text);
// The ETag (a strong one) or else the Last-Modified value, when the head says Accept-Ranges: bytes.
QString parseRangeValidator(const QString &text);
// True when the head's Content-Range starts at byte `from`.
bool rangeStartsAt(const QString &text, qint64 from);
bool hasContentLength(const QString &text);

// "HTTP_NOT_FOUND" for 404; empty for codes without a name.
QString statusCodeName(int code);

// errorText, CR LF, "HTTP Response: ", code, " = ", status name.
QString httpErrorMessage(const QString &errorText, int code);

// Time-outs in milliseconds (defaults 15 s to connect, 30 s without a byte); tests shorten them.
void setTimeouts(int connectMs, int idleMs);

} // namespace http
