#include "fuzzSupport.h"

#include "core/settings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace fuzz {

namespace {

QString root()
{
    // Memory-backed, and one per process so parallel runs do not share a file.
    static const QString path = QStringLiteral("/dev/shm/sonavex-fuzz-") + QString::number(getpid());
    return path;
}

} // namespace

void start()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray folder = QFile::encodeName(root());
    QDir().mkpath(root());
    // The settings put every folder under TMP and HOME; both point into the private folder.
    qputenv("TMP", folder);
    qputenv("HOME", folder);
    qputenv("XDG_CACHE_HOME", folder + "/cache");
    qputenv("XDG_CONFIG_HOME", folder + "/config");
    // The seed pages come from a server that announced its sites under this suffix.
    qputenv("SONAVEX_SITE_SUFFIX", "localhost:18461");
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv);
    core::loadSettings();
    std::atexit([] { QDir(root()).removeRecursively(); });
}

QString writeInput(const std::uint8_t *data, std::size_t size)
{
    static const QString path = root() + QStringLiteral("/input");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
    return path;
}

void closeMessageBoxes()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox *>(widget))
            delete widget;
    }
}

} // namespace fuzz
