#include "sonavexServer.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    // The application object only lets Qt find its image plugins (JPEG); no event loop runs.
    QCoreApplication app(argc, argv);
    return sonavexServer::run(argc, argv);
}
