#pragma once

#include <QString>
#include <QWidget>

class QAudioOutput;
class QMediaPlayer;
class QPushButton;

namespace platform {

// The multimedia player as the playback logic sees it: a device type, a file name, five
// commands, a start point, position and length in milliseconds, and its own Play, Pause and
// Stop buttons. Built on QMediaPlayer; "Stop" halts in place, as the device it stands for does.
class MediaPlayerControl : public QWidget
{
    Q_OBJECT
public:
    enum class Mode { NotOpen, Stopped, Playing, Paused };

    static constexpr int OPEN_WAIT_MS = 5000;

    explicit MediaPlayerControl(QWidget *parent = nullptr);
    ~MediaPlayerControl() override;

    void setDeviceType(const QString &type) { m_deviceType = type; }
    QString deviceType() const { return m_deviceType; }
    void setFileName(const QString &path) { m_fileName = path; }
    QString fileName() const { return m_fileName; }
    // With the wait flag on, "Open" returns once the media has loaded or failed (bounded).
    void setWait(bool wait) { m_wait = wait; }

    // "Open", "Play", "Pause", "Stop" or "Close"; other commands are ignored.
    void setCommand(const QString &command);
    // Where the next "Play" starts, in milliseconds.
    void setFrom(int ms) { m_from = ms; }

    int position() const;
    int length() const;
    Mode mode() const { return m_mode; }

Q_SIGNALS:
    void playClick();
    void pauseClick();
    void stopClick();
    void modeChanged(platform::MediaPlayerControl::Mode mode);

private:
    void open();
    void play();
    void close();
    void waitUntilLoaded();
    void learnLength();
    void setMode(Mode mode);
    void onMediaStatusChanged();

    QMediaPlayer *m_player;
    QAudioOutput *m_audio;
    QPushButton *m_playButton;
    QPushButton *m_pauseButton;
    QPushButton *m_stopButton;
    QString m_deviceType;
    QString m_fileName;
    bool m_wait = false;
    int m_from = -1;
    bool m_atEnd = false;
    Mode m_mode = Mode::NotOpen;
};

} // namespace platform
