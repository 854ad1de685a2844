#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;

namespace platform {

// A TCP connection as the HTTP agent sees it: a state, data-arrival events and "get all
// available bytes". One socket per connection slot, owned by a window.
class SocketControl : public QObject
{
    Q_OBJECT
public:
    // PeerClosed: the peer has closed; we have not yet.
    enum class State { Closed, Connecting, Connected, PeerClosed, Error };

    static constexpr qint64 READ_BUFFER_BYTES = 256 * 1024;

    explicit SocketControl(QObject *parent = nullptr);
    ~SocketControl() override;

    void close();
    // "host" or "host:port"; a port in the host text wins over setRemotePort.
    void setRemoteHost(const QString &host);
    void setRemotePort(int port);
    void connectToRemote();

    State state() const;
    QString remoteHost() const { return m_host; }
    int remotePort() const { return m_port; }

    void sendData(const QByteArray &bytes);
    QByteArray getData();
    qint64 bytesAvailable() const;

    // The host name to hand to the resolver: *.localhost names stay on this machine.
    static QString resolvableHost(const QString &host);

Q_SIGNALS:
    void dataArrival(int bytes);
    // Connected, closed by either side, or failed: read state() for which.
    void stateChanged();

private:
    void onErrorOccurred();
    void onDisconnected();

    QTcpSocket *m_socket;
    QByteArray m_buffer;
    QString m_host;
    int m_port = 80;
    int m_portFromHost = 0;
    bool m_error = false;
    bool m_peerClosed = false;
    bool m_closing = false;
};

} // namespace platform
