#include "scriptedServer.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

struct ScriptedServer::Connection
{
    QPointer<QTcpSocket> socket;
    QByteArray received;
    Script script;
    qsizetype next = 0;
    bool answering = false;
};

ScriptedServer::Script ScriptedServer::trickle(const QByteArray &bytes, int pauseMs)
{
    Script script;
    for (const char c : bytes) {
        script.append(send(QByteArray(1, c)));
        script.append(pause(pauseMs));
    }
    return script;
}

ScriptedServer::ScriptedServer(QObject *parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedServer::onNewConnection);
    m_server.listen(QHostAddress::LocalHost, 0);
}

ScriptedServer::~ScriptedServer()
{
    qDeleteAll(m_open);
}

QString ScriptedServer::hostText() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

int ScriptedServer::openConnections() const
{
    int open = 0;
    for (const Connection *c : m_open) {
        if (c->socket && c->socket->state() == QAbstractSocket::ConnectedState)
            ++open;
    }
    return open;
}

void ScriptedServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        ++m_connections;
        auto *connection = new Connection;
        connection->socket = socket;
        socket->setParent(this);
        if (!m_scripts.isEmpty())
            connection->script = m_scripts.size() > 1 ? m_scripts.takeFirst() : m_scripts.first();
        m_open.append(connection);
        connect(socket, &QTcpSocket::readyRead, this, [this, connection] {
            connection->received += connection->socket->readAll();
            if (connection->answering)
                return;
            const qsizetype end = connection->received.indexOf("\r\n\r\n");
            if (end < 0)
                return;
            m_requests.append(connection->received.left(end + 4));
            connection->answering = true;
            Q_EMIT requestReceived();
            runNext(connection);
        });
    }
}

QList<QByteArray> ScriptedServer::requestLines(qsizetype from) const
{
    QList<QByteArray> lines;
    for (const QByteArray &request : m_requests.mid(from))
        lines << request.left(request.indexOf("\r\n"));
    return lines;
}

void ScriptedServer::runNext(Connection *connection)
{
    QTcpSocket *socket = connection->socket;
    if (!socket)
        return;
    while (connection->next < connection->script.size()) {
        const Step step = connection->script.at(connection->next++);
        switch (step.kind) {
        case Step::Send:
            if (socket->state() != QAbstractSocket::ConnectedState)
                return; // the client has gone; nothing more to say
            socket->write(step.bytes);
            socket->flush();
            break;
        case Step::Pause:
            QTimer::singleShot(step.ms, socket, [this, connection] { runNext(connection); });
            return;
        case Step::Close:
            socket->disconnectFromHost();
            return;
        case Step::Reset: {
            // A zero linger time makes the close a reset.
            const linger noLinger{1, 0};
            ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
            socket->abort();
            return;
        }
        case Step::Silence:
            return;
        }
    }
}
