// Fetches a URL with the HTTP agent, as often as asked, into one file. Prints one line per request
// ("<status> <seconds>") and then the process's peak resident size ("rss_kib <n>").
#include "core/settings.h"
#include "http/httpAgent.h"
#include "platform/socketControl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

namespace {

qint64 peakRssKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// The requests one after another, each awaited; the program's loop ends with the last.
QCoro::Task<> fetchAll(QString host, QString path, QString target, int count, platform::SocketControl &socket,
                       int &failures)
{
    for (int i = 0; i < count; ++i) {
        QElapsedTimer clock;
        clock.start();
        const http::Outcome outcome = co_await http::fetch(
            host, path, QString(), QStringLiteral("agentFetch"), socket, target, http::Slot::Download);
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        std::printf("%d %.6f\n", outcome.status, seconds);
        if (!outcome.ok())
            ++failures;
    }
    QCoreApplication::quit();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: agentFetch URL TARGET_FILE [COUNT]\n");
        return 2;
    }
    const QString url = args.at(1);
    const QString target = args.at(2);
    const int count = args.size() > 3 ? args.at(3).toInt() : 1;
    const QString host = http::hostFromUrl(url);
    const QString path = http::pathFromUrl(url);

    auto *socket = new platform::SocketControl(&app);
    http::attachSocket(*socket, http::Slot::Download);
    int failures = 0;
    fetchAll(host, path, target, count, *socket, failures);
    app.exec();
    std::printf("rss_kib %lld\n", static_cast<long long>(peakRssKib()));
    return failures == 0 ? 0 : 1;
}
