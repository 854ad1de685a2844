#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

// Runs the real sonavex-server on a free loopback port for a test: builds a small catalogue in the
// data folder unless one is there, serves it, and stops the process when destroyed.
class SonavexServerProcess
{
public:
    SonavexServerProcess() = default;
    ~SonavexServerProcess() { stop(); }
    SonavexServerProcess(const SonavexServerProcess &) = delete;
    SonavexServerProcess &operator=(const SonavexServerProcess &) = delete;

    // Options added to "serve", e.g. {"--latest-client-version", "5"}.
    void setExtraArguments(const QStringList &arguments) { m_extraArguments = arguments; }
    // False with errorString() set when the catalogue or the listener could not be had.
    bool start(const QString &dataDir, int artists = 300, int tracks = 3000);
    // Sends SIGTERM and waits; returns the exit code (-1 if it had to be killed or never ran).
    int stop();
    bool isRunning() const { return m_process && m_process->state() == QProcess::Running; }
    int port() const { return m_port; }
    // "localhost:<port>", the suffix every site host name ends in.
    QString siteSuffix() const { return QStringLiteral("localhost:") + QString::number(m_port); }
    QString serverBaseUrl() const
    {
        return QStringLiteral("http://sonavex.") + siteSuffix() + QLatin1Char('/');
    }
    QString errorString() const { return m_error; }
    qint64 processId() const { return m_process ? m_process->processId() : 0; }
    static QString binaryPath();

private:
    std::unique_ptr<QProcess> m_process;
    QStringList m_extraArguments;
    int m_port = 0;
    QString m_error;
};
