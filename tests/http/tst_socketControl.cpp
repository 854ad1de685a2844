#include "platform/socketControl.h"

#include <QTcpServer>
#include <QTest>

using platform::SocketControl;

class tst_socketControl : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void hostTextPortWins_data();
    void hostTextPortWins();
};

void tst_socketControl::hostTextPortWins_data()
{
    QTest::addColumn<QString>("hostPattern"); // %1 is the server's port
    QTest::addColumn<int>("portArgument");
    QTest::newRow("*.localhost in any case stays here") << "Sonavex.LocalHost:%1" << 1;
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

    SocketControl socket;
    socket.setRemoteHost(hostPattern.contains("%1") ? hostPattern.arg(server.serverPort()) : hostPattern);
    socket.setRemotePort(portArgument < 0 ? server.serverPort() : portArgument);
    socket.connectToRemote();
    QTRY_COMPARE(socket.state(), SocketControl::State::Connected);
    QTRY_VERIFY(server.hasPendingConnections());
}

QTEST_MAIN(tst_socketControl)
#include "tst_socketControl.moc"
