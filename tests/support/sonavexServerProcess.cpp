#include "sonavexServerProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <sys/prctl.h>

namespace {
// Generous: a loaded machine may take a while, a healthy one takes well under a second.
constexpr int initTimeoutMs = 180000;
constexpr int startTimeoutMs = 30000;
} // namespace

SonavexServerProcess::~SonavexServerProcess()
{
    stop();
}

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
        init.start(binary, {QStringLiteral("init"), QStringLiteral("--data"), dataDir,
                            QStringLiteral("--artists"), QString::number(artists), QStringLiteral("--tracks"),
                            QString::number(tracks), QStringLiteral("--seed"), QStringLiteral("7")});
        if (!init.waitForFinished(initTimeoutMs) || init.exitStatus() != QProcess::NormalExit ||
            init.exitCode() != 0) {
            m_error = QStringLiteral("sonavex-server init failed: ") + init.errorString();
            init.kill();
            init.waitForFinished();
            return false;
        }
    }
    m_process = std::make_unique<QProcess>();
    // Its own errors go to the test's output; stdout carries the port.
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test that crashes never runs its destructors; the server must not outlive it (and hold
    // the test runner's output pipe open).
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    QStringList arguments = {
        QStringLiteral("serve"),    QStringLiteral("--data"),      dataDir,
        QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--quiet")};
    arguments += m_extraArguments;
    m_process->start(binary, arguments);
    if (!m_process->waitForStarted(startTimeoutMs)) {
        m_error = QStringLiteral("sonavex-server did not start: ") + m_process->errorString();
        m_process.reset();
        return false;
    }
    // The first line says where it listens: "listening on 127.0.0.1:<port>".
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!m_process->canReadLine() && m_process->state() == QProcess::Running && !deadline.hasExpired())
        m_process->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    const QByteArray line = m_process->readLine().trimmed();
    const QByteArray prefix = "listening on 127.0.0.1:";
    bool ok = false;
    const int port = line.startsWith(prefix) ? line.mid(prefix.size()).toInt(&ok) : 0;
    if (!ok || port <= 0) {
        m_error = QStringLiteral("sonavex-server did not report its port: ") + QString::fromLatin1(line);
        stop();
        return false;
    }
    m_port = port;
    return true;
}

int SonavexServerProcess::stop()
{
    if (!m_process)
        return -1;
    int code = -1;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(15000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        } else if (m_process->exitStatus() == QProcess::NormalExit) {
            code = m_process->exitCode();
        }
    } else if (m_process->exitStatus() == QProcess::NormalExit) {
        code = m_process->exitCode();
    }
    m_process.reset();
    m_port = 0;
    return code;
}

bool SonavexServerProcess::isRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

QString SonavexServerProcess::siteSuffix() const
{
    return QStringLiteral("localhost:") + QString::number(m_port);
}

QString SonavexServerProcess::serverBaseUrl() const
{
    return QStringLiteral("http://sonavex.") + siteSuffix() + QLatin1Char('/');
}

qint64 SonavexServerProcess::processId() const
{
    return m_process ? m_process->processId() : 0;
}
