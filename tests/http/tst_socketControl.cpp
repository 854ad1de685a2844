#include "platform/socketControl.h"
#include "scriptedServer.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using platform::SocketControl;

class tst_socketControl : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void hostTextPortWins_data();
    void hostTextPortWins();
    void statesFollowTheConnection();
    void refusedConnectionIsAnError();
};

void tst_socketControl::hostTextPortWins_data()
{
    QTest::addColumn<QString>("hostPattern"); // %1 is the server's port
    QTest::addColumn<int>("portArgument");
    QTest::newRow("address and port") << "127.0.0.1:%1" << 1;
    QTest::newRow("*.localhost stays here") << "files.localhost:%1" << 1;
    QTest::newRow("any case") << "Sonavex.LocalHost:%1" << 1;
    QTest::newRow("blanks around") << " 127.0.0.1:%1 " << 1;
    QTest::newRow("bracketed IPv6 loopback") << "[::1]:%1" << 1;
    QTest::newRow("no port in the text") << "localhost" << -1;
}

void tst_socketControl::hostTextPortWins()
{
    QFETCH(QString, hostPattern);
    QFETCH(int, portArgument);
    QTcpServer server;
    const bool ipv6 = hostPattern.contains('[');
    if (!server.listen(ipv6 ? QHostAddress::LocalHostIPv6 : QHostAddress::LocalHost, 0))
        QSKIP("no loopback for this address family");
    const QString host = hostPattern.contains("%1") ? hostPattern.arg(server.serverPort()) : hostPattern;

    SocketControl socket;
    socket.setRemoteHost(host);
    socket.setRemotePort(portArgument < 0 ? server.serverPort() : portArgument);
    socket.connectToRemote();
    QTRY_COMPARE(socket.state(), SocketControl::STATE_CONNECTED);
    QTRY_VERIFY(server.hasPendingConnections());
}

void tst_socketControl::statesFollowTheConnection()
{
    ScriptedServer server;
    server.setScript({ScriptedServer::send("last words"), ScriptedServer::close()});
    SocketControl socket;
    QCOMPARE(socket.state(), SocketControl::STATE_CLOSED);
    QSignalSpy arrivals(&socket, &SocketControl::dataArrival);
    socket.setRemoteHost(server.hostText());
    socket.connectToRemote();
    QTRY_COMPARE(socket.state(), SocketControl::STATE_CONNECTED);
    socket.sendData("GET / HTTP/1.1\r\n\r\n");

    // The peer's close is reported as closing, and what it sent before is still there to read.
    QTRY_COMPARE(socket.state(), SocketControl::STATE_CLOSING);
    QVERIFY(!arrivals.isEmpty());
    QCOMPARE(socket.getData(), QByteArray("last words"));
    QCOMPARE(socket.getData(), QByteArray());

    socket.close();
    QCOMPARE(socket.state(), SocketControl::STATE_CLOSED);
}

void tst_socketControl::refusedConnectionIsAnError()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();

    SocketControl socket;
    QSignalSpy errors(&socket, &SocketControl::socketError);
    socket.setRemoteHost("127.0.0.1");
    socket.setRemotePort(port);
    socket.connectToRemote();
    QTRY_COMPARE(socket.state(), SocketControl::STATE_ERROR);
    QCOMPARE(errors.size(), 1);
    // Closing leaves no error behind for the next connection.
    socket.close();
    QCOMPARE(socket.state(), SocketControl::STATE_CLOSED);
}

QTEST_MAIN(tst_socketControl)
#include "tst_socketControl.moc"
