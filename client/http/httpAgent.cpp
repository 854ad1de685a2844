#include "http/httpAgent.h"

#include "http/responseReader.h"
#include "platform/shutdown.h"
#include "platform/signalWait.h"
#include "platform/socketControl.h"

#include <QFile>
#include <QPointer>
#include <QTimer>
#include <QVariant>

#include <array>
#include <memory>

namespace http {

namespace {

constexpr int MAX_REDIRECT_HOPS = 10;

int connectTimeoutMs = 15000;
int idleTimeoutMs = 30000;

using Kind = Outcome::Kind;

// One request on one slot, without its redirects. The slot points at its current transfer; a
// transfer that finds the slot taken over by a newer one knows it is over.
struct Transfer
{
    QPointer<platform::SocketControl> socket;
    ResponseReader reader;
    std::unique_ptr<QFile> file;
    QString filePath;
    QByteArray request;
    Range range;
    quint64 generation = 0;
    bool sent = false;
    bool headHandled = false;
    bool writeFailed = false;
    bool finished = false;
    bool redirect = false;
    int result = 0;
    Kind kind = Kind::Failed;
    // Also the context of the transfer's connections: they go with it.
    QTimer connectTimer;
    QTimer idleTimer;
};

using State = SlotRecord::State;

constexpr std::size_t SLOT_COUNT = std::size_t(Slot::ChooserPicture) + 1;

// The slots' records, their current transfers and generations, indexed by slot number.
std::array<SlotRecord, SLOT_COUNT> records;
std::array<std::shared_ptr<Transfer>, SLOT_COUNT> currentTransfer;
std::array<quint64, SLOT_COUNT> generations{};

SlotRecord &record(Slot slot)
{
    return records[std::size_t(slot)];
}

std::shared_ptr<Transfer> &transferOn(Slot slot)
{
    return currentTransfer[std::size_t(slot)];
}

QByteArray requestText(const QString &host, const QString &path, const QString &referer,
                       const QString &userAgent, const QString &cookie, const Range &range)
{
    QString text = QStringLiteral("GET ") + path + QStringLiteral(" HTTP/1.1\r\n");
    text += QStringLiteral("Host: ") + host + QStringLiteral("\r\n");
    text += QStringLiteral("User-Agent: ") + userAgent + QStringLiteral("\r\n");
    text += QStringLiteral("Accept: text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,"
                           "text/plain;q=0.8,image/png,*/*;q=0.5\r\n");
    text += QStringLiteral("Accept-Language: en-gb,en;q=0.5\r\n");
    text += QStringLiteral("Accept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7\r\n");
    text += QStringLiteral("Keep-Alive: 300\r\n");
    text += QStringLiteral("Connection: Keep-Alive\r\n");
    text += QStringLiteral("Referer: ") + referer + QStringLiteral("\r\n");
    if (!cookie.isEmpty())
        text += QStringLiteral("Cookie: ") + cookie + QStringLiteral("\r\n");
    if (range.from > 0)
        text += QStringLiteral("Range: bytes=%1-\r\nIf-Range: %2\r\n").arg(range.from).arg(range.validator);
    text += QStringLiteral("\r\n");
    return text.toLatin1();
}

// Drops a body that will never be complete; nothing half-written is left for anyone to use.
void discardFile(Transfer &t)
{
    if (!t.file)
        return;
    t.file->close();
    t.file.reset();
    QFile::remove(t.filePath);
}

// The transfer is over: its timers stop, the socket closes and whoever awaits it hears so.
void end(Transfer &t, Slot slot, Kind kind, int result)
{
    t.finished = true;
    t.kind = kind;
    t.result = result;
    t.connectTimer.stop();
    t.idleTimer.stop();
    if (kind != Kind::TakenOver) {
        record(slot).statusCode = result;
        if (t.socket)
            t.socket->close();
    }
    Q_EMIT slotEvents(slot).finished(t.generation);
}

void finish(Transfer &t, Slot slot, int result)
{
    end(t, slot, result != 0 ? Kind::Done : Kind::Failed, result);
}

// The transfer broke off: no result, and no file unless the caller keeps what came for a resume.
void fail(Transfer &t, Slot slot, Kind kind = Kind::Failed)
{
    if (t.range.keepPartial && t.file && !t.writeFailed && record(slot).state == State::Receiving) {
        t.file->close();
        t.file.reset();
    }
    discardFile(t);
    record(slot).state = State::Complete;
    end(t, slot, kind, 0);
}

// Ends the slot's running transfer from outside: a cancel, or the program ending.
void stop(Slot slot, Kind kind)
{
    const std::shared_ptr<Transfer> t = transferOn(slot);
    if (!t || t->finished)
        return;
    discardFile(*t);
    end(*t, slot, kind, 0);
}

void completeBody(Transfer &t, Slot slot)
{
    if (record(slot).state == State::Receiving) {
        const bool written = !t.writeFailed && t.file && t.file->flush();
        if (t.file)
            t.file->close();
        if (!written) {
            fail(t, slot);
            return;
        }
        t.file.reset();
    }
    record(slot).state = State::Complete;
    finish(t, slot, record(slot).statusCode);
}

void handleHead(Transfer &t, Slot slot)
{
    const ResponseReader::Head &head = t.reader.head();
    t.headHandled = true;
    const int status = head.statusCode;
    record(slot).statusCode = status;
    record(slot).contentLength = head.contentLength;
    record(slot).bytesRemaining = head.contentLength;
    if (!head.cookie.isEmpty())
        record(slot).cookie = head.cookie;
    record(slot).lengthUnknown = head.contentLength == 0;
    const bool resumed = status == HTTP_PARTIAL_CONTENT && t.range.from > 0;
    if (const QString validator = parseRangeValidator(QString::fromLatin1(head.text)); !validator.isEmpty())
        record(slot).rangeValidator = validator;
    else if (!resumed)
        record(slot).rangeValidator.clear();

    if (resumed && !rangeStartsAt(QString::fromLatin1(head.text), t.range.from)) {
        // Not the piece asked for: nothing of this body can be joined to it.
        QFile::remove(t.filePath);
        fail(t, slot);
    } else if (status == HTTP_OK || resumed) {
        if (resumed)
            record(slot).contentLength += t.range.from;
        t.file = std::make_unique<QFile>(t.filePath);
        const QIODevice::OpenMode mode = resumed ? QIODevice::Append : QIODevice::Truncate;
        if (!t.file->open(QIODevice::WriteOnly | mode | QIODevice::Unbuffered)) {
            t.file.reset();
            fail(t, slot);
            return;
        }
        record(slot).state = State::Receiving;
    } else if ((status == HTTP_MOVED_PERMANENTLY || status == HTTP_FOUND || status == HTTP_SEE_OTHER ||
                status == HTTP_TEMPORARY_REDIRECT) &&
               !head.location.isEmpty()) {
        record(slot).redirectUrl = absoluteRedirectUrl(head.location, record(slot).host);
        record(slot).state = State::Redirect;
        t.redirect = true;
        finish(t, slot, status);
    } else if (status >= HTTP_BAD_REQUEST && status <= HTTP_EXPECTATION_FAILED) {
        record(slot).state = State::ClientError;
        finish(t, slot, status);
    } else if (status >= HTTP_INTERNAL_SERVER_ERROR && status <= HTTP_VERSION_NOT_SUPPORTED) {
        record(slot).state = State::ServerError;
        finish(t, slot, status);
    }
    // Anything else keeps the slot waiting for the end of the response.
}

// The peer has closed and every byte it sent has been read.
void handlePeerClose(Transfer &t, Slot slot)
{
    t.reader.endOfStream();
    if (t.reader.complete()) {
        completeBody(t, slot);
    } else if (!t.reader.headComplete() || record(slot).state == State::Receiving) {
        // No head at all, or a body short of its end.
        fail(t, slot);
    } else {
        record(slot).state = State::Complete;
        finish(t, slot, record(slot).statusCode);
    }
}

void onDataArrival(platform::SocketControl &socket, Slot slot)
{
    const std::shared_ptr<Transfer> t = transferOn(slot);
    if (!t || t->finished || t->socket != &socket)
        return;
    QByteArray chunk = socket.getData();
    handleResponseData(chunk, socket, slot);
}

// Bytes the socket still holds once it is no longer connected.
void drain(platform::SocketControl &socket, Slot slot)
{
    if (socket.bytesAvailable() > 0) {
        QByteArray chunk = socket.getData();
        handleResponseData(chunk, socket, slot);
    }
}

// The socket connected, closed or failed: send the request once connected, read what is left
// once it is not.
void onSocketState(Transfer &t, Slot slot)
{
    if (t.finished || transferOn(slot).get() != &t || !t.socket)
        return;
    platform::SocketControl &socket = *t.socket;
    using SocketState = platform::SocketControl::State;
    SocketState state = socket.state();
    if (!t.sent) {
        if (state == SocketState::Error || state == SocketState::Closed) {
            // The slot stays in State::Connecting: no connection was made.
            end(t, slot, Kind::Failed, 0);
            return;
        }
        if (state != SocketState::Connected && state != SocketState::PeerClosed)
            return;
        t.connectTimer.stop();
        record(slot).state = State::Connected;
        socket.sendData(t.request);
        record(slot).state = State::RequestSent;
        t.sent = true;
        t.idleTimer.start(idleTimeoutMs);
        state = socket.state();
    }
    if (state == SocketState::Connected)
        return;
    // Read what the peer sent before it went away.
    drain(socket, slot);
    if (t.finished)
        return;
    if (state == SocketState::PeerClosed)
        handlePeerClose(t, slot);
    else
        fail(t, slot); // a socket error, or closed behind our back
}

// Starts one request without following redirects; `t` learns its outcome.
void startTransfer(const std::shared_ptr<Transfer> &t, const QString &host, const QString &path,
                   const QString &referer, const QString &userAgent, platform::SocketControl &socket,
                   Slot slot)
{
    // A request still running on this slot loses it; its partial body goes.
    if (const std::shared_ptr<Transfer> previous = transferOn(slot); previous && !previous->finished) {
        discardFile(*previous);
        end(*previous, slot, Kind::TakenOver, 0);
    }
    t->generation = ++generations[std::size_t(slot)];
    transferOn(slot) = t;
    t->socket = &socket;

    record(slot).state = State::Idle;
    record(slot).targetFile = t->filePath;
    record(slot).contentLength = 0;
    record(slot).host = host;
    // A connection that ends before any head must not report the previous request's status.
    record(slot).statusCode = 0;
    record(slot).rangeValidator = t->range.validator;

    socket.close();
    socket.setRemoteHost(host);
    t->request = requestText(host, path, referer, userAgent, record(slot).cookie, t->range);
    if (t->range.from <= 0)
        QFile::remove(t->filePath);

    Transfer *raw = t.get();
    // Queued: the state is read when the loop gets to it, after every signal of the change.
    QObject::connect(
        &socket, &platform::SocketControl::stateChanged, &t->connectTimer,
        [raw, slot] { onSocketState(*raw, slot); }, Qt::QueuedConnection);
    // A window that goes away takes its sockets: the transfer ends as cancelled.
    QObject::connect(&socket, &QObject::destroyed, &t->connectTimer, [raw, slot] {
        raw->socket = nullptr;
        if (!raw->finished) {
            discardFile(*raw);
            end(*raw, slot, Kind::Cancelled, 0);
        }
    });
    t->connectTimer.setSingleShot(true);
    QObject::connect(&t->connectTimer, &QTimer::timeout, [raw, slot] {
        if (!raw->finished && !raw->sent)
            end(*raw, slot, Kind::TimedOut, 0);
    });
    t->idleTimer.setSingleShot(true);
    QObject::connect(&t->idleTimer, &QTimer::timeout, [raw, slot] {
        if (!raw->finished)
            fail(*raw, slot, Kind::TimedOut);
    });

    record(slot).state = State::Connecting;
    socket.connectToRemote();
    t->connectTimer.start(connectTimeoutMs);
    onSocketState(*t, slot);
}

Outcome outcomeOf(const Transfer &t, Slot slot)
{
    if (t.kind != Kind::Done)
        return Outcome{t.kind, 0, 0, {}};
    return Outcome{t.kind, t.result, record(slot).contentLength, record(slot).cookie};
}

} // namespace

const SlotRecord &slotRecord(Slot slot)
{
    return record(slot);
}

SlotEvents &slotEvents(Slot slot)
{
    static std::array<SlotEvents, SLOT_COUNT> events;
    return events[std::size_t(slot)];
}

quint64 generation(Slot slot)
{
    return generations[std::size_t(slot)];
}

void cancel(Slot slot)
{
    record(slot).state = State::Cancelled;
    stop(slot, Kind::Cancelled);
}

void cancelAll()
{
    for (std::size_t slot = 1; slot < SLOT_COUNT; ++slot)
        stop(Slot(slot), Kind::Cancelled);
}

void forgetSlotHistory(Slot slot)
{
    record(slot).bytesReceived = 0;
    record(slot).cookie.clear();
}

QCoro::Task<Outcome> fetch(QString host, QString path, QString referer, QString userAgent,
                           platform::SocketControl &socket, QString targetFile, Slot slot, Range range)
{
    attachSocket(socket, slot);
    for (int hop = 0;; ++hop) {
        // The program ending counts as a cancel: nothing is started any more.
        if (platform::shutdownRequested())
            co_return Outcome{Kind::Cancelled, 0, 0, {}};
        const auto t = std::make_shared<Transfer>();
        t->filePath = targetFile;
        t->range = range;
        startTransfer(t, host, path, referer, userAgent, socket, slot);
        while (!t->finished)
            co_await platform::SignalWait(&slotEvents(slot), &SlotEvents::finished);
        // A redirect on a cancelled slot goes no further; neither does one from a gone socket.
        if (!t->redirect || hop == MAX_REDIRECT_HOPS || !t->socket)
            co_return outcomeOf(*t, slot);
        host = hostFromUrl(record(slot).redirectUrl);
        path = pathFromUrl(record(slot).redirectUrl);
    }
}

QCoro::Task<Outcome> fetchUrl(QString url, QString referer, QString userAgent,
                              platform::SocketControl &socket, QString targetFile, Slot slot, Range range)
{
    co_return co_await fetch(hostFromUrl(url), pathFromUrl(url), referer, userAgent, socket, targetFile, slot,
                             range);
}

void attachSocket(platform::SocketControl &socket, Slot slot)
{
    // Each window attaches its sockets once; the agent makes sure again before every request.
    static constexpr const char *attachedSlots = "sonavexAttachedSlots";
    const int mask = socket.property(attachedSlots).toInt();
    const int bit = 1 << int(slot);
    if (mask & bit)
        return;
    socket.setProperty(attachedSlots, mask | bit);
    QObject::connect(&socket, &platform::SocketControl::dataArrival, &socket,
                     [&socket, slot](int) { onDataArrival(socket, slot); });
}

void handleResponseData(QByteArray &chunk, platform::SocketControl &socket, Slot slot)
{
    const std::shared_ptr<Transfer> t = transferOn(slot);
    if (!t || t->finished || t->socket != &socket)
        return;
    if (record(slot).state != State::RequestSent && record(slot).state != State::Receiving)
        return;
    t->idleTimer.start(idleTimeoutMs);

    const ResponseReader::BodySink toFile = [&t, slot](QByteArrayView piece) {
        if (record(slot).state != State::Receiving || t->writeFailed)
            return;
        if (t->file->write(piece.data(), piece.size()) != piece.size())
            t->writeFailed = true;
        record(slot).bytesReceived += piece.size();
        if (!record(slot).lengthUnknown)
            record(slot).bytesRemaining -= piece.size();
    };

    QByteArrayView rest(chunk);
    for (;;) {
        rest = rest.sliced(t->reader.feed(rest, toFile));
        if (t->reader.phase() == ResponseReader::Phase::Failed || t->writeFailed) {
            fail(*t, slot);
            return;
        }
        if (t->reader.headComplete() && !t->headHandled) {
            handleHead(*t, slot);
            if (t->finished)
                return;
        }
        if (t->reader.complete()) {
            completeBody(*t, slot);
            return;
        }
        if (rest.isEmpty())
            return;
    }
}

void setTimeouts(int connectMs, int idleMs)
{
    connectTimeoutMs = qMax(1, connectMs);
    idleTimeoutMs = qMax(1, idleMs);
}

} // namespace http
