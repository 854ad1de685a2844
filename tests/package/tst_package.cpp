// The Debian package as a user gets it: packed from this build and unpacked, its dependencies (found in
// the binaries, plus player plugins), metadata and programs checked, a window connected to its server.
#include "windowTestEnvironment.h"

#include "ui/connectPanel.h"
#include "ui/mainWindow.h"

#include <QProcess>

class PackageTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_work;
    QByteArray m_output;

    // Empty when the command (words apart by spaces) succeeded, else what it said.
    QString run(const QString &command)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.startCommand(command);
        const bool ok = process.waitForFinished(300000) && process.exitStatus() == QProcess::NormalExit &&
                        process.exitCode() == 0;
        m_output = process.readAllStandardOutput();
        return ok ? QString() : command + ": " + process.errorString() + QString::fromLocal8Bit(m_output);
    }

private Q_SLOTS:
    void unpackedPackageValidatesAndServes()
    {
        for (const QString &tool : QStringList{"cpack", "dpkg-deb", "desktop-file-validate", "appstreamcli"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + " is not installed"));
        const QString deb = m_work.filePath("sonavex_" SONAVEX_VERSION "_amd64.deb");
        const QString root = m_work.filePath("root"), data = m_work.filePath("data");
        const QString share = root + "/usr/share/", server = root + "/usr/bin/sonavex-server";
        QCOMPARE(run("cpack -G DEB --config " SONAVEX_BUILD_DIR "/CPackConfig.cmake -B " + m_work.path()),
                 "");
        QCOMPARE(run("dpkg-deb -x " + deb + ' ' + root), "");
        QCOMPARE(run("dpkg-deb -f " + deb + " Depends"), "");
        QVERIFY2(m_output.contains("libqt6widgets6") && m_output.contains("gstreamer1.0-plugins-good"),
                 m_output);
        QCOMPARE(run("desktop-file-validate " + share + "applications/org.sonavex.Sonavex.desktop"), "");
        QCOMPARE(run("appstreamcli validate --no-net " + share + "metainfo/org.sonavex.Sonavex.metainfo.xml"),
                 "");
        QVERIFY(QFile::exists(share + "icons/hicolor/256x256/apps/org.sonavex.Sonavex.png"));
        QCOMPARE(run(root + "/usr/bin/sonavex --version"), "");
        QCOMPARE(m_output, "sonavex " SONAVEX_VERSION "\n");
        QCOMPARE(run(server + " init --tracks 2000 --data " + data), "");
        QProcess serve;
        serve.startCommand(server + " serve --quiet --listen 127.0.0.1:0 --data " + data);
        QTRY_VERIFY(serve.canReadLine()); // "listening on 127.0.0.1:<port>"
        const QString suffix =
            "localhost:" + QString::fromLatin1(serve.readLine().trimmed().split(':').last());
        WindowTestEnvironment environment("http://sonavex." + suffix + "/", suffix);
        ui::MainWindow window;
        QVERIFY(window.isLoaded());
        window.show();
        window.connectPanel->connectButton->click();
        QTRY_COMPARE(window.serverStatistics.trackCount, 2000);
    }
};

QTEST_MAIN(PackageTest)
#include "tst_package.moc"
