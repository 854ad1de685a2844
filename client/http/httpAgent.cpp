#include "http/httpAgent.h"

#include "http/responseReader.h"
#include "platform/eventPump.h"
#include "platform/socketControl.h"

#include <QElapsedTimer>
#include <QFile>
#include <QVariant>

#include <array>
#include <memory>

namespace http {

namespace {

constexpr int MAX_REDIRECT_HOPS = 10;
constexpr int POLL_MS = 100;

int connectTimeoutMs = 15000;
int idleTimeoutMs = 30000;

// One request on one slot. The slot points at its current transfer; a wait that finds the slot
// taken over by a newer request knows its own transfer is over.
struct Transfer
{
    platform::SocketControl *socket = nullptr;
    ResponseReader reader;
    std::unique_ptr<QFile> file;
    QString filePath;
    bool headHandled = false;
    bool writeFailed = false;
    bool finished = false;
    bool redirect = false;
    int result = 0;
    QElapsedTimer sinceLastByte;
};

using State = SlotRecord::State;

constexpr std::size_t SLOT_COUNT = std::size_t(Slot::ChooserPicture) + 1;

// The slots' records and their current transfers, indexed by slot number.
std::array<SlotRecord, SLOT_COUNT> records;
std::array<std::shared_ptr<Transfer>, SLOT_COUNT> currentTransfer;

SlotRecord &record(Slot slot)
{
    return records[std::size_t(slot)];
}

std::shared_ptr<Transfer> &transferOn(Slot slot)
{
    return currentTransfer[std::size_t(slot)];
}

QByteArray requestText(const QString &host, const QString &path, const QString &referer,
                       const QString &userAgent, const QString &cookie)
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

void finish(Transfer &t, Slot slot, int result)
{
    t.finished = true;
    t.result = result;
    record(slot).statusCode = result;
    if (t.socket)
        t.socket->close();
}

// The transfer broke off: no result and no file.
void fail(Transfer &t, Slot slot)
{
    discardFile(t);
    record(slot).state = State::Complete;
    finish(t, slot, 0);
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

    if (status == HTTP_OK) {
        t.file = std::make_unique<QFile>(t.filePath);
        if (!t.file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
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

int remainingMs(const QElapsedTimer &clock, int limitMs)
{
    return int(qMax<qint64>(0, limitMs - clock.elapsed()));
}

// One request without following redirects. Leaves the outcome in `t`.
void runRequest(const std::shared_ptr<Transfer> &t, const QString &host, const QString &path,
                const QString &referer, const QString &userAgent, platform::SocketControl &socket, Slot slot)
{
    // A request still running on this slot loses it; its partial body goes.
    if (const std::shared_ptr<Transfer> previous = transferOn(slot); previous && !previous->finished) {
        discardFile(*previous);
        previous->finished = true;
        previous->result = 0;
    }
    transferOn(slot) = t;
    t->socket = &socket;

    record(slot).state = State::Idle;
    record(slot).targetFile = t->filePath;
    record(slot).contentLength = 0;
    record(slot).host = host;
    // A connection that ends before any head must not report the previous request's status.
    record(slot).statusCode = 0;

    socket.close();
    socket.setRemoteHost(host);
    const QByteArray request = requestText(host, path, referer, userAgent, record(slot).cookie);
    QFile::remove(t->filePath);

    const auto takenOver = [&] { return transferOn(slot) != t; };
    // The program ending counts as a cancel: nothing half-received is kept.
    const auto cancelled = [&] {
        return record(slot).state == State::Cancelled || platform::shutdownRequested();
    };

    record(slot).state = State::Connecting;
    socket.connectToRemote();
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (takenOver())
            return;
        if (cancelled()) {
            t->finished = true;
            record(slot).statusCode = 0;
            socket.close();
            return;
        }
        const platform::SocketControl::State state = socket.state();
        if (state == platform::SocketControl::State::Connected ||
            state == platform::SocketControl::State::PeerClosed)
            break;
        const int left = remainingMs(clock, connectTimeoutMs);
        if (state == platform::SocketControl::State::Error ||
            state == platform::SocketControl::State::Closed || left == 0) {
            // The slot stays in State::Connecting: no connection was made.
            t->finished = true;
            socket.close();
            return;
        }
        platform::waitForEvents(qMin(POLL_MS, left));
    }

    record(slot).state = State::Connected;
    socket.sendData(request);
    record(slot).state = State::RequestSent;
    t->sinceLastByte.start();

    for (;;) {
        if (takenOver() || t->finished)
            return;
        if (cancelled()) {
            discardFile(*t);
            t->finished = true;
            record(slot).statusCode = 0;
            socket.close();
            return;
        }
        const platform::SocketControl::State state = socket.state();
        if (state != platform::SocketControl::State::Connected) {
            // Read what the peer sent before it went away.
            drain(socket, slot);
            if (t->finished)
                return;
            if (state == platform::SocketControl::State::PeerClosed)
                handlePeerClose(*t, slot);
            else
                fail(*t, slot); // a socket error, or closed behind our back
            return;
        }
        const int left = remainingMs(t->sinceLastByte, idleTimeoutMs);
        if (left == 0) {
            fail(*t, slot);
            return;
        }
        platform::waitForEvents(qMin(POLL_MS, left));
    }
}

} // namespace

const SlotRecord &slotRecord(Slot slot)
{
    return record(slot);
}

void cancel(Slot slot)
{
    record(slot).state = State::Cancelled;
}

void forgetSlotHistory(Slot slot)
{
    record(slot).bytesReceived = 0;
    record(slot).cookie.clear();
}

int sendGetRequest(const QString &host, const QString &path, const QString &referer, const QString &userAgent,
                   platform::SocketControl &socket, const QString &targetFile, Slot slot)
{
    attachSocket(socket, slot);

    QString currentHost = host;
    QString currentPath = path;
    for (int hop = 0;; ++hop) {
        const auto t = std::make_shared<Transfer>();
        t->filePath = targetFile;
        runRequest(t, currentHost, currentPath, referer, userAgent, socket, slot);
        if (!t->redirect || hop == MAX_REDIRECT_HOPS)
            return t->result;
        currentHost = hostFromUrl(record(slot).redirectUrl);
        currentPath = pathFromUrl(record(slot).redirectUrl);
    }
}

int getUrl(const QString &url, const QString &referer, const QString &userAgent,
           platform::SocketControl &socket, const QString &targetFile, Slot slot)
{
    return sendGetRequest(hostFromUrl(url), pathFromUrl(url), referer, userAgent, socket, targetFile, slot);
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
    t->sinceLastByte.restart();

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
