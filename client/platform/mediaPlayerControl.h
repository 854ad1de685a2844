#pragma once

#include <QCoro/QCoroTask>
#include <QString>
#include <QWidget>

#include <functional>

class QAudioOutput;
class QMediaPlayer;
class QPushButton;

namespace platform {

// The player as the playback logic sees it: open a file, play, pause, stop, seek, position and
// length in milliseconds, and its own Play, Pause and Stop buttons. Built on QMediaPlayer;
// stop halts in place and keeps the position.
class MediaPlayerControl : public QWidget
{
    Q_OBJECT
public:
    enum class Mode { NotOpen, Stopped, Playing, Paused };

    static constexpr int OPEN_WAIT_MS = 5000;

    explicit MediaPlayerControl(QWidget *parent = nullptr);
    ~MediaPlayerControl() override;

    // Closes what was open, then loads the file; done once it has loaded or failed (bounded),
    // false when a newer open took over meanwhile. A file that is missing or does not load leaves
    // the player closed.
    QCoro::Task<bool> open(QString path);
    void play();
    void pause();
    void stop();
    void close();
    // Moves to `ms` milliseconds; the next play starts there.
    void seek(int ms);

    QString fileName() const { return m_fileName; }
    int position() const;
    int length() const;
    Mode mode() const { return m_mode; }

Q_SIGNALS:
    void playClick();
    void pauseClick();
    void stopClick();
    void modeChanged(platform::MediaPlayerControl::Mode mode);
    // The backend reported a status, a length or an error: an awaiting open looks again.
    void backendAnswered();

private:
    QCoro::Task<bool> awaitBackend(quint64 request, std::function<bool()> settled);
    void setMode(Mode mode);
    void onMediaStatusChanged();

    QMediaPlayer *m_player;
    QAudioOutput *m_audio;
    QPushButton *m_playButton;
    QPushButton *m_pauseButton;
    QPushButton *m_stopButton;
    QString m_fileName;
    bool m_atEnd = false;
    quint64 m_openRequests = 0; // opens so far; only the newest goes on after a wait
    Mode m_mode = Mode::NotOpen;
};

} // namespace platform
