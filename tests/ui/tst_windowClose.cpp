#include "messageBoxCatcher.h"
#include "windowTestEnvironment.h"

#include "ui/mainWindow.h"

// Quitting mid-wait for a silent server ends the program at once; the next start finds the window where
// it was. Own executable: the shutdown cannot be undone within a process.
class tst_windowClose : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void quitDuringWaitEndsTheHandlerWithoutMessages()
    {
        ScriptedServer server;
        server.setScript({ScriptedServer::silence()});
        WindowTestEnvironment environment("http://" + server.hostText() + '/');
        MessageBoxCatcher catcher;
        const QRect place(40, 30, 1200, 740);
        auto window = std::make_unique<ui::MainWindow>();
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->setGeometry(place);
        // Both run inside the handler's wait: the click starts it, the request's arrival quits.
        once(&server, &ScriptedServer::requestReceived,
             [&window] { QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier); });
        QPushButton *button = window->findChild<QPushButton *>("connectButton");
        button->click();
        // The silent server would hold the connect for the whole idle time-out otherwise.
        QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 10000);
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(catcher.texts(), QStringList());
        window = std::make_unique<ui::MainWindow>();
        QCOMPARE(window->geometry(), place);
    }
};

QTEST_MAIN(tst_windowClose)
#include "tst_windowClose.moc"
