#include "messageBoxCatcher.h"
#include "scriptedServer.h"
#include "windowTestEnvironment.h"

#include "ui/mainWindow.h"

#include <QPushButton>

// Closing the main window ends the program at once, even while a handler waits for a server
// that never answers. Own executable: the shutdown cannot be undone within a process.
class tst_windowClose : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void closeDuringWaitEndsTheHandlerWithoutMessages()
    {
        ScriptedServer server;
        server.setScript({ScriptedServer::silence()});
        WindowTestEnvironment environment("http://" + server.hostText() + '/');
        MessageBoxCatcher catcher;
        ui::MainWindow window;
        window.show();
        // Both run inside the handler's wait: the click starts it, the request's arrival closes the window.
        onceWhen(
            &server, &ScriptedServer::requestReceived, [] { return true; }, [&window] { window.close(); });
        QPushButton *button = window.findChild<QPushButton *>("connectButton");
        button->click();
        // The silent server would hold the connect for the whole idle time-out otherwise.
        QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 10000);
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(catcher.texts(), QStringList());
    }
};

QTEST_MAIN(tst_windowClose)
#include "tst_windowClose.moc"
