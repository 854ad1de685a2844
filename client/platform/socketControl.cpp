#include "platform/socketControl.h"

#include <QNetworkProxy>
#include <QTcpSocket>

namespace platform {

SocketControl::SocketControl(QObject *parent) : QObject(parent), m_socket(new QTcpSocket(this))
{
    // We speak to the host itself; a proxy picked up from the system would change the requests.
    m_socket->setProxy(QNetworkProxy::NoProxy);
    // Bounds what piles up unread; large enough that a fast transfer takes few turns of the loop.
    m_socket->setReadBufferSize(READ_BUFFER_BYTES);
    connect(m_socket, &QTcpSocket::readyRead, this,
            [this] { Q_EMIT dataArrival(int(qMin<qint64>(m_socket->bytesAvailable(), INT_MAX))); });
    connect(m_socket, &QTcpSocket::stateChanged, this, &SocketControl::stateChanged);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &SocketControl::onErrorOccurred);
    connect(m_socket, &QTcpSocket::disconnected, this, &SocketControl::onDisconnected);
}

SocketControl::~SocketControl() = default;

void SocketControl::close()
{
    m_closing = true;
    // abort() also drops whatever is still buffered.
    m_socket->abort();
    m_closing = false;
    m_error = false;
    m_peerClosed = false;
    Q_EMIT stateChanged();
}

void SocketControl::setRemoteHost(const QString &host)
{
    m_host = host;
    m_portFromHost = 0;
    const QString text = host.trimmed();
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return;
    QString name = text.left(colon);
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        name = name.mid(1, name.size() - 2); // "[::1]:8080"
    else if (name.contains(QLatin1Char(':')))
        return; // a bare IPv6 address carries no port
    bool ok = false;
    const int port = text.mid(colon + 1).toInt(&ok);
    if (ok && port > 0 && port < 65536 && !name.isEmpty()) {
        m_host = name;
        m_portFromHost = port;
    }
}

void SocketControl::setRemotePort(int port)
{
    m_port = port;
}

void SocketControl::connectToRemote()
{
    m_error = false;
    m_peerClosed = false;
    const int port = m_portFromHost > 0 ? m_portFromHost : m_port;
    if (m_host.trimmed().isEmpty() || port <= 0 || port > 65535) {
        m_error = true;
        return;
    }
    m_socket->connectToHost(resolvableHost(m_host.trimmed()), quint16(port));
}

SocketControl::State SocketControl::state() const
{
    if (m_error)
        return State::Error;
    if (m_peerClosed)
        return State::PeerClosed;
    switch (m_socket->state()) {
    case QAbstractSocket::ConnectedState:
        return State::Connected;
    case QAbstractSocket::HostLookupState:
    case QAbstractSocket::ConnectingState:
        return State::Connecting;
    case QAbstractSocket::ClosingState:
        return State::PeerClosed;
    default:
        return State::Closed;
    }
}

void SocketControl::sendData(const QByteArray &bytes)
{
    m_socket->write(bytes);
    m_socket->flush();
}

QByteArray SocketControl::getData()
{
    const qint64 available = m_socket->bytesAvailable();
    if (available <= 0)
        return {};
    // One buffer for every chunk: a fresh allocation per chunk costs page faults on every
    // large download. The caller's copy is gone by the next call, so it is reused, not copied.
    m_buffer.resize(qsizetype(available));
    const qint64 got = m_socket->read(m_buffer.data(), available);
    m_buffer.resize(qsizetype(qMax<qint64>(0, got)));
    return m_buffer;
}

qint64 SocketControl::bytesAvailable() const
{
    return m_socket->bytesAvailable();
}

QString SocketControl::resolvableHost(const QString &host)
{
    const QString lower = host.toLower();
    if (lower == QLatin1String("localhost") || lower.endsWith(QLatin1String(".localhost")))
        return QStringLiteral("127.0.0.1");
    return host;
}

void SocketControl::onErrorOccurred()
{
    if (m_closing)
        return;
    if (m_socket->error() == QAbstractSocket::RemoteHostClosedError) {
        m_peerClosed = true;
    } else {
        m_error = true;
    }
    Q_EMIT stateChanged();
}

void SocketControl::onDisconnected()
{
    if (!m_closing && !m_error) {
        m_peerClosed = true;
        Q_EMIT stateChanged();
    }
}

} // namespace platform
