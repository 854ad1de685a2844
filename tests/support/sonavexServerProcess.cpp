#include "sonavexServerProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <sys/prctl.h>

QString SonavexServerProcess::binaryPath()
{
#ifdef SONAVEX_SERVER_BIN
    return QStringLiteral(SONAVEX_SERVER_BIN);
#else
    return QString();
#endif
}

bool SonavexServerProcess::start(const QString &dataDir, int artists, int tracks)
{
    stop();
    m_error.clear();
    const QString binary = binaryPath();
    if (binary.isEmpty() || !QFileInfo::exists(binary)) {
        m_error = QStringLiteral("sonavex-server was not built");
        return false;
    }
    QDir().mkpath(dataDir);
    if (!QFileInfo::exists(QDir(dataDir).filePath(QStringLiteral("catalogue.sqlite")))) {
        QProcess init;
        init.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        init.start(binary, {"init", "--data", dataDir, "--artists", QString::number(artists), "--tracks",
                            QString::number(tracks), "--seed", "7"});
        // Generous: a loaded machine may take a while, a healthy one takes well under a second.
        if (!init.waitForFinished(180000) || init.exitStatus() != QProcess::NormalExit ||
            init.exitCode() != 0) {
            m_error = QStringLiteral("sonavex-server init failed: ") + init.errorString();
            return false; // the QProcess kills it on the way out
        }
    }
    // Its errors go to the test's output; stdout carries the port. A test that crashes never runs
    // its destructors: the server must not outlive it and hold the runner's output pipe open.
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process->start(binary, QStringList{"serve", "--data", dataDir, "--listen", "127.0.0.1:0", "--quiet"} +
                                 m_extraArguments);
    // The first line says where it listens: "listening on 127.0.0.1:<port>".
    const QDeadlineTimer deadline(30000);
    while (!m_process->canReadLine() &&
           m_process->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
        ;
    const QByteArray line = m_process->readLine().trimmed();
    const QByteArray prefix = "listening on 127.0.0.1:";
    bool ok = false;
    m_port = line.startsWith(prefix) ? line.mid(prefix.size()).toInt(&ok) : 0;
    if (ok && m_port > 0)
        return true;
    m_error = QStringLiteral("sonavex-server did not report its port: ") + QString::fromLatin1(line) +
              QLatin1Char(' ') + m_process->errorString();
    stop();
    return false;
}

int SonavexServerProcess::stop()
{
    if (!m_process)
        return -1;
    m_process->terminate();
    if (!m_process->waitForFinished(15000)) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
    const bool exited =
        m_process->state() == QProcess::NotRunning && m_process->exitStatus() == QProcess::NormalExit;
    const int code = exited ? m_process->exitCode() : -1;
    m_process.reset();
    m_port = 0;
    return code;
}
