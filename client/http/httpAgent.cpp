#include "http/httpAgent.h"

#include "core/httpGlobals.h"
#include "http/responseReader.h"
#include "platform/eventPump.h"
#include "platform/socketControl.h"

#include <QElapsedTimer>
#include <QFile>
#include <QVariant>

#include <array>
#include <memory>

namespace httpAgent {

using namespace httpGlobals;

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
    responseReader reader;
    std::unique_ptr<QFile> file;
    QString filePath;
    bool headHandled = false;
    bool writeFailed = false;
    bool finished = false;
    bool redirect = false;
    int result = 0;
    QElapsedTimer sinceLastByte;
};

std::array<std::shared_ptr<Transfer>, SLOT_COUNT> currentTransfer;

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

void finish(Transfer &t, int slot, int result)
{
    t.finished = true;
    t.result = result;
    slotStatusCode[slot] = result;
    if (t.socket)
        t.socket->close();
}

// The transfer broke off: no result and no file.
void fail(Transfer &t, int slot)
{
    discardFile(t);
    slotState[slot] = SLOT_COMPLETE;
    finish(t, slot, 0);
}

void completeBody(Transfer &t, int slot)
{
    if (slotState[slot] == SLOT_RECEIVING) {
        const bool written = !t.writeFailed && t.file && t.file->flush();
        if (t.file)
            t.file->close();
        if (!written) {
            fail(t, slot);
            return;
        }
        t.file.reset();
    }
    slotState[slot] = SLOT_COMPLETE;
    finish(t, slot, slotStatusCode[slot]);
}

void handleHead(Transfer &t, int slot)
{
    const responseReader::Head &head = t.reader.head();
    t.headHandled = true;
    const int status = head.statusCode;
    slotStatusCode[slot] = status;
    slotContentLength[slot] = head.contentLength;
    slotBytesRemaining[slot] = head.contentLength;
    if (!head.cookie.isEmpty())
        slotCookie[slot] = head.cookie;
    slotLengthUnknown[slot] = head.contentLength == 0;

    if (status == HTTP_OK) {
        t.file = std::make_unique<QFile>(t.filePath);
        if (!t.file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
            t.file.reset();
            fail(t, slot);
            return;
        }
        slotState[slot] = SLOT_RECEIVING;
    } else if ((status == HTTP_MOVED_PERMANENTLY || status == HTTP_FOUND || status == HTTP_SEE_OTHER ||
                status == HTTP_TEMPORARY_REDIRECT) &&
               !head.location.isEmpty()) {
        slotRedirectUrl[slot] = absoluteRedirectUrl(head.location, slotHost[slot]);
        slotState[slot] = SLOT_REDIRECT;
        t.redirect = true;
        finish(t, slot, status);
    } else if (status >= HTTP_BAD_REQUEST && status <= HTTP_EXPECTATION_FAILED) {
        slotState[slot] = SLOT_CLIENT_ERROR;
        finish(t, slot, status);
    } else if (status >= HTTP_INTERNAL_SERVER_ERROR && status <= HTTP_VERSION_NOT_SUPPORTED) {
        slotState[slot] = SLOT_SERVER_ERROR;
        finish(t, slot, status);
    }
    // Anything else keeps the slot waiting for the end of the response.
}

// The peer has closed and every byte it sent has been read.
void handlePeerClose(Transfer &t, int slot)
{
    t.reader.endOfStream();
    if (t.reader.complete()) {
        completeBody(t, slot);
    } else if (!t.reader.headComplete() || slotState[slot] == SLOT_RECEIVING) {
        // No head at all, or a body short of its end.
        fail(t, slot);
    } else {
        slotState[slot] = SLOT_COMPLETE;
        finish(t, slot, slotStatusCode[slot]);
    }
}

void onDataArrival(platform::SocketControl &socket, int slot)
{
    const std::shared_ptr<Transfer> t = currentTransfer[slot];
    if (!t || t->finished || t->socket != &socket)
        return;
    QByteArray chunk = socket.getData();
    handleResponseData(chunk, socket, slot);
}

// Bytes the socket still holds once it is no longer connected.
void drain(platform::SocketControl &socket, int slot)
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
void runRequest(const std::shared_ptr<Transfer> &t, const QString &host, const QString &port,
                const QString &path, const QString &referer, const QString &userAgent,
                platform::SocketControl &socket, int slot)
{
    // A request still running on this slot loses it; its partial body goes.
    if (const std::shared_ptr<Transfer> previous = currentTransfer[slot]; previous && !previous->finished) {
        discardFile(*previous);
        previous->finished = true;
        previous->result = 0;
    }
    currentTransfer[slot] = t;
    t->socket = &socket;

    slotState[slot] = SLOT_IDLE;
    slotTargetFile[slot] = t->filePath;
    slotContentLength[slot] = 0;
    slotHost[slot] = host;
    // A connection that ends before any head must not report the previous request's status.
    slotStatusCode[slot] = 0;

    socket.close();
    socket.setRemoteHost(host);
    socket.setRemotePort(port.trimmed().toInt());
    socket.setLocalPort(0);
    const QByteArray request = requestText(host, path, referer, userAgent, slotCookie[slot]);
    QFile::remove(t->filePath);

    const auto takenOver = [&] { return currentTransfer[slot] != t; };
    // The program ending counts as a cancel: nothing half-received is kept.
    const auto cancelled = [&] { return slotState[slot] == SLOT_CANCELLED || platform::shutdownRequested(); };

    slotState[slot] = SLOT_CONNECTING;
    socket.connectToRemote();
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (takenOver())
            return;
        if (cancelled()) {
            t->finished = true;
            slotStatusCode[slot] = 0;
            socket.close();
            return;
        }
        const int state = socket.state();
        if (state == platform::SocketControl::STATE_CONNECTED ||
            state == platform::SocketControl::STATE_CLOSING)
            break;
        const int left = remainingMs(clock, connectTimeoutMs);
        if (state == platform::SocketControl::STATE_ERROR || state == platform::SocketControl::STATE_CLOSED ||
            left == 0) {
            // The slot stays in SLOT_CONNECTING: no connection was made.
            t->finished = true;
            socket.close();
            return;
        }
        platform::waitForEvents(qMin(POLL_MS, left));
    }

    slotState[slot] = SLOT_CONNECTED;
    socket.sendData(request);
    slotState[slot] = SLOT_REQUEST_SENT;
    t->sinceLastByte.start();

    for (;;) {
        if (takenOver() || t->finished)
            return;
        if (cancelled()) {
            discardFile(*t);
            t->finished = true;
            slotStatusCode[slot] = 0;
            socket.close();
            return;
        }
        const int state = socket.state();
        if (state != platform::SocketControl::STATE_CONNECTED) {
            // Read what the peer sent before it went away.
            drain(socket, slot);
            if (t->finished)
                return;
            if (state == platform::SocketControl::STATE_CLOSING)
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

int sendGetRequest(const QString &host, const QString &port, const QString &path, const QString &referer,
                   const QString &userAgent, platform::SocketControl &socket, const QString &targetFile,
                   int slot)
{
    if (!isValidSlot(slot))
        return 0;
    attachSocket(socket, slot);

    QString currentHost = host;
    QString currentPath = path;
    for (int hop = 0;; ++hop) {
        const auto t = std::make_shared<Transfer>();
        t->filePath = targetFile;
        runRequest(t, currentHost, port, currentPath, referer, userAgent, socket, slot);
        if (!t->redirect || hop == MAX_REDIRECT_HOPS)
            return t->result;
        currentHost = hostFromUrl(slotRedirectUrl[slot]);
        currentPath = pathFromUrl(slotRedirectUrl[slot]);
    }
}

void attachSocket(platform::SocketControl &socket, int slot)
{
    if (!isValidSlot(slot))
        return;
    // Each window attaches its sockets once; the agent makes sure again before every request.
    static constexpr const char *attachedSlots = "sonavexAttachedSlots";
    const int mask = socket.property(attachedSlots).toInt();
    if (mask & (1 << slot))
        return;
    socket.setProperty(attachedSlots, mask | (1 << slot));
    QObject::connect(&socket, &platform::SocketControl::dataArrival, &socket,
                     [&socket, slot](int) { onDataArrival(socket, slot); });
}

void handleResponseData(QByteArray &chunk, platform::SocketControl &socket, int slot)
{
    if (!isValidSlot(slot))
        return;
    const std::shared_ptr<Transfer> t = currentTransfer[slot];
    if (!t || t->finished || t->socket != &socket)
        return;
    if (slotState[slot] != SLOT_REQUEST_SENT && slotState[slot] != SLOT_RECEIVING)
        return;
    t->sinceLastByte.restart();

    const responseReader::BodySink toFile = [&t, slot](QByteArrayView piece) {
        if (slotState[slot] != SLOT_RECEIVING || t->writeFailed)
            return;
        if (t->file->write(piece.data(), piece.size()) != piece.size())
            t->writeFailed = true;
        slotBytesReceived[slot] += piece.size();
        if (!slotLengthUnknown[slot])
            slotBytesRemaining[slot] -= piece.size();
    };

    QByteArrayView rest(chunk);
    for (;;) {
        rest = rest.sliced(t->reader.feed(rest, toFile));
        if (t->reader.phase() == responseReader::Phase::Failed || t->writeFailed) {
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

} // namespace httpAgent
