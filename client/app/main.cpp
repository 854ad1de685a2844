#include "ui/mainWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonavex"));
    QApplication::setStyle(QStringLiteral("Fusion"));

    ui::MainWindow window;
    // The start-up has told the user why it cannot go on.
    if (!window.isLoaded())
        return 1;
    window.show();
    return QApplication::exec();
}
