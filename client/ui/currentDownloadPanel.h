#pragma once

#include <QGroupBox>

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;

namespace ui {

// What downloads now, its progress and figures, and the queue waiting beside it. Its two timers
// tick once a second: the queue pump runs for as long as the program does, the progress timer
// while a transfer runs.
class CurrentDownloadPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit CurrentDownloadPanel(QWidget *parent);

    QListWidget *downloadQueueList = nullptr;
    QLineEdit *currentDownloadField = nullptr;
    QLineEdit *rateField = nullptr;
    QLineEdit *receivedField = nullptr;
    QPushButton *cancelButton = nullptr;
    QProgressBar *downloadProgress = nullptr;
    QLabel *receivedUnitLabel = nullptr;
    QLabel *rateUnitLabel = nullptr;
    QTimer *progressTimer = nullptr;
    QTimer *queuePumpTimer = nullptr;
};

} // namespace ui
