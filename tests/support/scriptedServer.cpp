#include "scriptedServer.h"

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

ScriptedServer::ScriptedServer(QObject *parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedServer::onNewConnection);
    m_server.listen(QHostAddress::LocalHost, 0);
}

ScriptedServer::~ScriptedServer() = default;

int ScriptedServer::openConnections() const
{
    return int(std::count_if(m_open.begin(), m_open.end(), [](const auto &c) {
        return c->socket && c->socket->state() == QAbstractSocket::ConnectedState;
    }));
}

void ScriptedServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        Connection *connection = m_open.emplace_back(std::make_unique<Connection>()).get();
        connection->socket = socket;
        socket->setParent(this);
        if (!m_scripts.isEmpty())
            connection->script = m_scripts.size() > 1 ? m_scripts.takeFirst() : m_scripts.first();
        connect(socket, &QTcpSocket::readyRead, this, [this, connection] {
            connection->received += connection->socket->readAll();
            const qsizetype end = connection->received.indexOf("\r\n\r\n");
            if (connection->answering || end < 0)
                return;
            m_requests.append(connection->received.left(end + 4));
            connection->answering = true;
            Q_EMIT requestReceived();
            runNext(connection);
        });
    }
}

void ScriptedServer::runNext(Connection *connection)
{
    QTcpSocket *socket = connection->socket;
    while (socket && connection->next < connection->script.size()) {
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
        case Step::Reset: {
            // A zero linger time makes the close a reset.
            const linger noLinger{1, 0};
            ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
            socket->abort();
            return;
        }
        case Step::Close:
            socket->disconnectFromHost();
            return;
        case Step::Silence:
            return;
        }
    }
}
